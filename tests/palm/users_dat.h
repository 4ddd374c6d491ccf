// Builds "users.dat" bytes for tests: the count byte, 12 header bytes, then the entries, each but
// the last followed by its gap bytes and the marker 0x01 0x80.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qs::test {

struct UserEntry {
  UserEntry(std::uint16_t number, std::string name, std::string folder, std::string gap = {}, std::uint8_t ignored = 0,
            std::uint16_t unknown = 0, bool marker = true)
      : number(number),
        name(std::move(name)),
        folder(std::move(folder)),
        gap(std::move(gap)),
        ignored(ignored),
        unknown(unknown),
        marker(marker) {}
  std::uint16_t number = 0;
  std::string name;
  std::string folder;
  std::string gap;            // bytes between the ignored byte and the marker
  std::uint8_t ignored = 0;   // the byte after the folder
  std::uint16_t unknown = 0;  // the two bytes after the number
  bool marker = true;         // false: no marker after this entry even if it is not the last
};

inline std::string UsersDat(const std::vector<UserEntry>& entries, std::optional<int> count = std::nullopt) {
  std::string b;
  b += static_cast<char>(count.value_or(static_cast<int>(entries.size())));
  b += std::string("\x10\x20\x30\x40\x50\x60\x70\x01\x80\x01\x80\x00", 12);  // never read
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const UserEntry& e = entries[i];
    b += static_cast<char>(e.number & 0xFF);
    b += static_cast<char>(e.number >> 8);
    b += static_cast<char>(e.unknown & 0xFF);
    b += static_cast<char>(e.unknown >> 8);
    b += static_cast<char>(e.name.size());
    b += e.name;
    b += static_cast<char>(e.folder.size());
    b += e.folder;
    b += static_cast<char>(e.ignored);
    if (i + 1 < entries.size()) {
      b += e.gap;
      if (e.marker) b += "\x01\x80";
    }
  }
  return b;
}

}  // namespace qs::test
