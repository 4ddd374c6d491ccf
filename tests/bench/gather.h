// Benchmark inputs gathered from files on the machine: the bytes of the files under the given
// folders (optionally only those with the given extensions), in path order, up to a budget.
#pragma once
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qs::bench {

inline void Gather(const std::vector<std::string>& roots, std::size_t budget, const std::vector<std::string>& exts,
                   std::vector<std::uint8_t>& out) {
  std::vector<std::filesystem::path> files;
  for (const auto& root : roots) {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (ec) break;
      if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
      const std::string ext = it->path().extension().string();
      if (!exts.empty() && std::find(exts.begin(), exts.end(), ext) == exts.end()) continue;
      files.push_back(it->path());
    }
  }
  std::sort(files.begin(), files.end());
  const std::size_t goal = out.size() + budget;
  for (const auto& f : files) {
    if (out.size() >= goal) break;
    std::ifstream in(f, std::ios::binary);
    std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() > goal - out.size()) b.resize(goal - out.size());
    out.insert(out.end(), b.begin(), b.end());
  }
}

}  // namespace qs::bench
