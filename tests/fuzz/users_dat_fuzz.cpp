// The Palm Desktop's user file: any bytes give a consistent list, never a read past the data or
// a text without its terminator.
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/streams.h"
#include "palm/autoinst.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qs::TMemoryStream s(std::vector<std::uint8_t>(data, data + size));
  qs::UsersFile f = qs::ReadUsersFile(s);
  const int declared = size ? data[0] : 0;
  if (f.declaredCount != declared) __builtin_trap();
  if (static_cast<int>(f.users.size()) + f.folderTooLong > declared) __builtin_trap();
  for (const qs::UserRecord& u : f.users) {
    if (!std::memchr(u.name, 0, sizeof u.name) || !std::memchr(u.folder, 0, sizeof u.folder)) __builtin_trap();
  }
  // Every cut of the data keeps a prefix of the same list.
  if (size > 1) {
    qs::TMemoryStream half(std::vector<std::uint8_t>(data, data + size / 2));
    qs::UsersFile g = qs::ReadUsersFile(half);
    if (g.users.size() > f.users.size()) __builtin_trap();
    for (std::size_t i = 0; i < g.users.size(); ++i)
      if (std::memcmp(&g.users[i], &f.users[i], sizeof(qs::UserRecord)) != 0) __builtin_trap();
  }
  return 0;
}
