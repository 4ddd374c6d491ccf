// Files of the machine the tool runs on, for the builder's commands: whole files read by size,
// files written whole, and file streams for the commands that work chunk by chunk.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "core/errors.h"
#include "core/streams.h"

namespace qs::tool {

// The whole file, read in one go by its size (a pipe, which has none, in blocks).
inline std::vector<std::uint8_t> ReadHostFile(const std::string& path, const char* what) {
  const Failure failure{std::string("cannot read the ") + what + " '" + path + "'"};
  std::ifstream in(path, std::ios::binary);
  if (!in) throw failure;
  const std::streamoff size = in.seekg(0, std::ios::end) ? static_cast<std::streamoff>(in.tellg()) : -1;
  std::vector<std::uint8_t> bytes;
  if (size < 0) {
    in.clear();
    constexpr std::size_t kBlock = 1 << 16;
    for (std::streamsize got = kBlock; got == static_cast<std::streamsize>(kBlock);) {
      const std::size_t at = bytes.size();
      bytes.resize(at + kBlock);
      in.read(reinterpret_cast<char*>(bytes.data() + at), static_cast<std::streamsize>(kBlock));
      got = in.gcount();
      bytes.resize(at + static_cast<std::size_t>(got));
    }
    return bytes;
  }
  bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (in.gcount() != static_cast<std::streamsize>(size)) throw failure;
  return bytes;
}

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

// A file written beside the target first and put in its place by Commit, so that a failure never
// leaves half a file behind: until then the destructor removes it.
class THostOutput {
 public:
  explicit THostOutput(std::string path) : path_(std::move(path)), temp_(path_ + ".part"), stream_(temp_, "w+b") {
    if (!stream_.IsOpen()) throw Failure{"cannot write '" + path_ + "'"};
  }
  ~THostOutput() {
    if (!committed_) {
      std::error_code ec;
      if (stream_.IsOpen()) stream_.Close();
      std::filesystem::remove(temp_, ec);
    }
  }
  THostOutput(const THostOutput&) = delete;
  THostOutput& operator=(const THostOutput&) = delete;

  TStream& Stream() { return stream_; }
  void Commit() {
    if (!stream_.Close()) throw Failure{"cannot write '" + path_ + "'"};
    std::error_code ec;
    std::filesystem::rename(temp_, path_, ec);
    if (ec) throw Failure{"cannot write '" + path_ + "'"};
    committed_ = true;
  }

 private:
  std::string path_, temp_;
  THostFileStream stream_;
  bool committed_ = false;
};

inline void WriteHostFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  THostOutput out(path);
  try {
    out.Stream().WriteBuffer(bytes.data(), bytes.size());
  } catch (const Exception&) {
    throw Failure{"cannot write '" + path + "'"};
  }
  out.Commit();
}

}  // namespace qs::tool
