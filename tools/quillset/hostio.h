// Whole files of the machine the tool runs on, for the builder's commands.
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "commands.h"

namespace qs::tool {

inline std::vector<std::uint8_t> ReadHostFile(const std::string& path, const char* what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure{std::string("cannot read the ") + what + " '" + path + "'"};
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Writes beside the target first, so that a failure never leaves half a file behind.
inline void WriteHostFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::string temp = path + ".part";
  std::error_code ec;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temp, ec);
      throw Failure{"cannot write '" + path + "'"};
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    throw Failure{"cannot write '" + path + "'"};
  }
}

}  // namespace qs::tool
