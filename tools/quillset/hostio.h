// Files of the machine the tool runs on, for the builder's commands: whole files read by size,
// files written whole, and file streams for the commands that work chunk by chunk.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "builder/hostfile.h"
#include "commands.h"
#include "core/errors.h"
#include "core/streams.h"

namespace qs::tool {

// The whole file, read in one go by its size (a pipe, which has none, in blocks).
inline std::vector<std::uint8_t> ReadHostFile(const std::string& path, const char* what) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) throw Failure{std::string("cannot read the ") + what + " '" + path + "'"};
  return std::move(*bytes);
}

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
