// An independent reader of link files for the tests: the header, the item list's levels, the
// local base path of the link information and the string data. Every offset is bounds-checked;
// a malformed file gives ok = false.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qs::test {

struct LinkFile {
  bool ok = false;
  std::uint32_t flags = 0;
  std::uint32_t fileAttributes = 0;
  std::uint64_t writeTime = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t showCommand = 0;
  std::vector<std::string> itemNames;  // file-system items' names, in order
  std::string localBasePath;
  std::string relativePath, workingDirectory, arguments;  // UTF-16 data narrowed (code units < 256)
};

inline LinkFile ReadLinkFile(const std::vector<std::uint8_t>& b) {
  LinkFile f;
  std::size_t pos = 0;
  auto need = [&](std::size_t at, std::size_t n) { return at <= b.size() && n <= b.size() - at; };
  auto u16 = [&](std::size_t at) { return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8)); };
  auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
  if (!need(0, 0x4C) || u32(0) != 0x4C || b[4] != 0x01 || b[5] != 0x14 || b[6] != 0x02 || b[19] != 0x46) return f;
  f.flags = u32(20);
  f.fileAttributes = u32(24);
  f.writeTime = u32(44) | (static_cast<std::uint64_t>(u32(48)) << 32);
  f.fileSize = u32(52);
  f.showCommand = u32(60);
  pos = 0x4C;
  if (f.flags & 0x1) {
    if (!need(pos, 2)) return f;
    std::size_t listSize = u16(pos);
    std::size_t end = pos + 2 + listSize;
    if (!need(pos + 2, listSize)) return f;
    std::size_t at = pos + 2;
    while (at + 2 <= end) {
      std::size_t size = u16(at);
      if (size == 0) break;
      if (size < 3 || at + size > end) return f;
      std::uint8_t type = b[at + 2];
      if ((type == 0x31 || type == 0x32) && size > 14) {
        std::size_t n = at + 14;
        std::string name;
        while (n < at + size && b[n]) name += static_cast<char>(b[n++]);
        f.itemNames.push_back(name);
      }
      at += size;
    }
    pos = end;
  }
  if (f.flags & 0x2) {
    if (!need(pos, 0x1C)) return f;
    std::size_t size = u32(pos);
    if (size < 0x1C || !need(pos, size)) return f;
    if (u32(pos + 8) & 1) {
      std::size_t at = pos + u32(pos + 16);
      if (at >= pos + size) return f;
      while (at < pos + size && b[at]) f.localBasePath += static_cast<char>(b[at++]);
    }
    pos += size;
  }
  auto str = [&](std::string& out) {
    if (!need(pos, 2)) return false;
    std::size_t count = u16(pos);
    std::size_t width = (f.flags & 0x80) ? 2 : 1;
    if (!need(pos + 2, count * width)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      std::uint32_t c = width == 2 ? u16(pos + 2 + 2 * i) : b[pos + 2 + i];
      out += static_cast<char>(c < 256 ? c : '?');
    }
    // Some writers count a terminating zero in the length.
    while (!out.empty() && out.back() == '\0') out.pop_back();
    pos += 2 + count * width;
    return true;
  };
  std::string name;
  if ((f.flags & 0x4) && !str(name)) return f;
  if ((f.flags & 0x8) && !str(f.relativePath)) return f;
  if ((f.flags & 0x10) && !str(f.workingDirectory)) return f;
  if ((f.flags & 0x20) && !str(f.arguments)) return f;
  std::string icon;
  if ((f.flags & 0x40) && !str(icon)) return f;
  // Extra data blocks up to the terminal block.
  while (need(pos, 4)) {
    std::size_t size = u32(pos);
    if (size < 4) {
      f.ok = true;
      return f;
    }
    if (!need(pos, size)) return f;
    pos += size;
  }
  return f;
}

}  // namespace qs::test
