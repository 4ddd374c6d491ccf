// The record attached to each user node of the user tree CkUserList: which Palm Desktop user the
// node stands for. Start-up writes one per user; the installation run reads those of the checked
// nodes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qs {

inline constexpr std::size_t kUserNodeNameSize = 256;

struct TUserNodeRec {
  char Name[kUserNodeNameSize] = {};  // the user's name, zero-terminated
  std::int32_t Position = 0;          // the user's 0-based position in the TUserData list
};

// A record for a user: the name (cut to 255 bytes, always zero-terminated) and the position.
TUserNodeRec MakeUserNodeRec(std::string_view name, int position);
// The name of a record: up to its first zero byte.
std::string UserNodeName(const TUserNodeRec& rec);

}  // namespace qs
