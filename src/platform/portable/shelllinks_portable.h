// Shell links without the shell: the link object is kept in memory and saved in the shell's binary
// link format (header, target item list, link information with the local path, string data) through
// the portable file system, so that link readers see what the system's link object would have set.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/shelllinks.h"

namespace qs {

// What a link records about its target when the target exists.
struct ShellLinkTarget {
  bool exists = false;
  std::uint32_t attributes = 0;
  std::uint64_t writeTime = 0;  // FILETIME
  std::uint32_t size = 0;
};

// The bytes of a link file. Texts are ANSI (code page 1252); the string data is stored as UTF-16.
// A target of the form "X:\..." gets an item list and a local base path; any other target is
// stored as the link's relative path.
std::vector<std::uint8_t> BuildShellLinkFile(const std::string& path, const std::string& arguments,
                                             const std::string& workingDirectory, const ShellLinkTarget& target);

// Code page 1252 to UTF-16 (the system's conversion: every byte maps to one code unit).
std::u16string Cp1252ToUtf16(const std::string& text);

class PortableShellLinks : public IShellLinks {
 public:
  explicit PortableShellLinks(IFileSystem& files) : files_(files) {}
  std::unique_ptr<ILinkObject> CreateLink() override;

  // Script: a failing creation (EOleSysError with this code and systemText as its text) or a
  // link object that lacks one of its interfaces.
  HResult createResult = kSOk;
  std::string systemText;
  bool lacksInterface = false;
  // Record: link objects created and released.
  int created = 0;
  int released = 0;

 private:
  IFileSystem& files_;
};

}  // namespace qs
