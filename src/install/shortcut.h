// Start-menu shortcuts: a shell link named after a title, in a program-group folder inside the
// current user's Programs folder (found in the registry under the shell's folder locations).
#pragma once
#include <string>
#include <string_view>

#include "core/errors.h"
#include "platform/platform.h"

namespace qs {

inline constexpr std::string_view kExplorerKey = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
inline constexpr std::string_view kShellFoldersKey = "Shell Folders";
inline constexpr std::string_view kProgramsValue = "Programs";
inline constexpr std::string_view kMsgInvalidRegType =
    "Type de donn\xE9"
    "es incorrect pour '%s'";

// A registry value of the wrong type.
class ERegistryException : public Exception {
  using Exception::Exception;
};

// Makes the link "<Programs>\<programGroup>\<title>.lnk" to target with the given arguments and
// working directory. The group folder is created as one directory level when missing; neither its
// creation nor the save is checked (an invalid title or a missing parent folder gives no link and
// no error). Raises the link object's errors (EOleSysError, "Interface non support\xE9e") and
// ERegistryException when "Programs" is neither a string nor an expandable string. Uses the
// platform's shell links, registry and file system.
void CreateShortcut(Platform& platform, const std::string& target, const std::string& arguments,
                    const std::string& workingDirectory, const std::string& title, const std::string& programGroup);

// The current user's Programs folder as stored (an expandable string is not expanded); empty when
// the key or the value is missing. Opens the Explorer key with full access, creating it if missing.
std::string ProgramsFolder(IRegistry& registry);

}  // namespace qs
