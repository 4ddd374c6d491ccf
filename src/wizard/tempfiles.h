// The files a step of the wizard writes only to read them again or to run them: kept in a folder of
// the program's own below the user's temporary directory, so that no file of the same name beside
// the program (the user's own, or the program itself) is ever replaced or deleted, and so that an
// installer on a read-only medium works. Everything such a step made goes on every way out: at
// the end of its scope (also when an error ends it) and when a quit request ends the installer
// while the launcher waits.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qs {

class TemporaryFiles {
 public:
  // Files go through host.files. While this lives, host.halt first removes what it made.
  explicit TemporaryFiles(Platform& host);
  ~TemporaryFiles();
  TemporaryFiles(const TemporaryFiles&) = delete;
  TemporaryFiles& operator=(const TemporaryFiles&) = delete;

  // The path of a file of that name in the private folder, which is made at the first call with a
  // name no other folder in the temporary directory has. The file itself is not written here; it
  // is deleted on the way out. Raises EFCreateError with the temporary directory when no folder
  // can be made there.
  std::string InFolder(std::string_view name);
  // The private folder with its trailing separator (made when it is not yet there).
  std::string Folder();
  // A file this run created elsewhere: deleted on the way out as well.
  void Track(const std::string& path);
  // Deletes a file now, when it is one of these; one that cannot be deleted stays on the list.
  void Delete(const std::string& path);
  // Deletes every file still here, then removes the folder; failures are ignored.
  void RemoveAll();

 private:
  Platform& host_;
  std::string folder_;  // empty until made
  std::vector<std::string> files_;
  std::function<void(std::uint32_t)> previousHalt_;
};

}  // namespace qs
