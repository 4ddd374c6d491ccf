#include "builder/hostfile.h"

#include <fstream>

namespace qs {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::streamoff size = in.seekg(0, std::ios::end) ? static_cast<std::streamoff>(in.tellg()) : -1;
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
    return !in.bad();
  }
  bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return in.gcount() == static_cast<std::streamsize>(size);
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return std::nullopt;
  return bytes;
}

}  // namespace qs
