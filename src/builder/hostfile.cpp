#include "builder/hostfile.h"

#include <fstream>

namespace qs {

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
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
    if (in.bad()) return std::nullopt;
    return bytes;
  }
  bytes.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  if (in.gcount() != static_cast<std::streamsize>(size)) return std::nullopt;
  return bytes;
}

}  // namespace qs
