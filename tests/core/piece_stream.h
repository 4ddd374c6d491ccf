// A stream that is not in memory, handing out at most `piece` bytes per read: code that must not
// count on a stream in memory, or on whole reads, meets it in tests.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/streams.h"

namespace qs::test {

class PieceStream : public TStream {
 public:
  PieceStream(std::vector<std::uint8_t> b, std::size_t piece) : b_(std::move(b)), piece_(piece) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = pos_ >= b_.size() ? 0 : std::min({count, piece_, b_.size() - pos_});
    if (n) std::memcpy(buffer, b_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
    const std::int64_t base = origin == SeekOrigin::Begin     ? 0
                              : origin == SeekOrigin::Current ? static_cast<std::int64_t>(pos_)
                                                              : static_cast<std::int64_t>(b_.size());
    if (base + offset < 0) throw EReadError();
    pos_ = static_cast<std::size_t>(base + offset);
    return base + offset;
  }

 private:
  std::vector<std::uint8_t> b_;
  std::size_t piece_;
  std::size_t pos_ = 0;
};

}  // namespace qs::test
