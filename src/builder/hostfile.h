// Files of the machine the builder runs on: whole files read by their size in one go (a pipe, which
// has no size, in blocks), and files as streams.
#pragma once
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "core/streams.h"

namespace qs {

// The file's bytes; nothing when it cannot be opened or read to its end.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

// A host file as a stream, through the C library's buffer. Only the tool's own outputs are moved
// back (a container's total), and those stay below 2 GB, so a long offset is enough.
class THostFileStream : public TStream {
 public:
  THostFileStream(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  }
  ~THostFileStream() override {
    if (file_) std::fclose(file_);
  }
  THostFileStream(const THostFileStream&) = delete;
  THostFileStream& operator=(const THostFileStream&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  std::size_t Read(void* buffer, std::size_t count) override { return std::fread(buffer, 1, count, file_); }
  std::size_t Write(const void* buffer, std::size_t count) override { return std::fwrite(buffer, 1, count, file_); }
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override {
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    if (std::fseek(file_, static_cast<long>(offset), whence) != 0) return -1;
    return std::ftell(file_);
  }
  // Flushes and closes; false when anything written did not reach the file.
  bool Close() {
    const bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok && closed;
  }

 private:
  std::FILE* file_;
};

}  // namespace qs
