// The container codec on any bytes:
// - the input as a container: expanded from memory in place and through a plain stream, with the
//   same outcome either way (the same bytes, or both refused with the same kind of error);
// - the input past a container's 11-byte head as one chunk: both fast expanders (plain, and with
//   byte shuffles where the processor has them) and the plain reference accept the same chunks and
//   give the same bytes;
// - the input as a file: compressed, it matches the reference compressor byte for byte and
//   expands back to itself.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/errors.h"
#include "core/streams.h"
#include "packer/gcompress.h"
#include "packer/reference_codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A stream that is not a TMemoryStream, so the codec reads it chunk by chunk into its work area.
class PlainStream : public qs::TStream {
 public:
  explicit PlainStream(const Bytes& b) : b_(b) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    const std::size_t n = pos_ >= b_.size() ? 0 : std::min(count, b_.size() - pos_);
    if (n) std::memcpy(buffer, b_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  std::size_t Write(const void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, qs::SeekOrigin origin) override {
    const std::int64_t base = origin == qs::SeekOrigin::Begin     ? 0
                              : origin == qs::SeekOrigin::Current ? static_cast<std::int64_t>(pos_)
                                                                  : static_cast<std::int64_t>(b_.size());
    if (base + offset < 0) throw qs::EReadError();
    pos_ = static_cast<std::size_t>(base + offset);
    return base + offset;
  }

 private:
  const Bytes& b_;
  std::size_t pos_ = 0;
};

enum class Outcome { Ok, ReadError, Corrupt };

Outcome Expand(qs::TStream& source, Bytes& out) {
  qs::TMemoryStream dest;
  try {
    qs::TGCompressStream().DecompressStream(source, dest);
  } catch (const qs::EReadError&) {
    return Outcome::ReadError;
  } catch (const qs::GPacker&) {
    return Outcome::Corrupt;
  }
  out = dest.Bytes();
  return Outcome::Ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(data, data + size);

  Bytes viaMemory, viaStream;
  qs::TMemoryStream memory(input);
  PlainStream plain(input);
  const Outcome a = Expand(memory, viaMemory);
  const Outcome b = Expand(plain, viaStream);
  if (a != b || viaMemory != viaStream) __builtin_trap();

  if (size >= 11) {
    const int length = static_cast<int>(std::min<std::size_t>(size - 11, qs::TLZR::MaxChunkLength));
    std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[static_cast<std::size_t>(length) + 1]);
    std::memcpy(chunk.get(), data + 11, static_cast<std::size_t>(length));
    const auto want = qs::reference::ExpandChunk(chunk.get(), length);
    Bytes out(qs::TLZR::ExpandOutSize);
    qs::TLZR lzr;
    for (const bool shuffles : {false, true}) {
      if (shuffles && !qs::TLZR::ByteShufflesAvailable()) break;
      lzr.FByteShuffles = shuffles;
      try {
        const int n = lzr.DecompressChunk(chunk.get(), length, out.data());
        if (!want || Bytes(out.begin(), out.begin() + n) != *want) __builtin_trap();
      } catch (const qs::GPacker&) {
        if (want) __builtin_trap();
      }
    }
  }

  qs::TMemoryStream src(input), container;
  qs::TGCompressStream().CompressStream(src, container, static_cast<std::int64_t>(size));
  if (size <= 100000 && container.Bytes() != qs::reference::Compress(input)) __builtin_trap();
  container.SetPosition(0);
  Bytes back;
  if (Expand(container, back) != Outcome::Ok || back != input) __builtin_trap();
  return 0;
}
