#include "install/shortcut.h"

#include <stdexcept>
#include <vector>

#include "core/text.h"
#include "platform/shelllinks.h"

namespace qs {

namespace {

// An open registry key, closed when it goes out of scope (also when an error is raised).
class OpenKey {
 public:
  explicit OpenKey(IRegistry& registry) : registry_(registry) {}
  ~OpenKey() {
    if (key_) registry_.CloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  RegKey& Slot() { return key_; }
  RegKey Get() const { return key_; }

 private:
  IRegistry& registry_;
  RegKey key_ = 0;
};

constexpr std::uint32_t kLargestValue = 16u << 20;

// A string value as stored, up to its first zero byte; empty when missing. Any type other than a
// string or an expandable string raises ERegistryException with the value's name.
std::string ReadString(IRegistry& registry, RegKey key, const std::string& name) {
  std::vector<std::uint8_t> buffer(1024);
  for (;;) {
    std::uint32_t type = 0;
    auto size = static_cast<std::uint32_t>(buffer.size());
    long rc = registry.QueryValue(key, name, &type, buffer.data(), &size);
    if (rc == kErrorMoreData) {
      if (buffer.size() >= kLargestValue) return std::string();
      std::size_t next = size > buffer.size() ? size : buffer.size() * 2;
      buffer.assign(next < kLargestValue ? next : kLargestValue, 0);
      continue;
    }
    if (rc != kErrorSuccess) return std::string();
    if (type != kRegSz && type != kRegExpandSz) throw ERegistryException(Format(kMsgInvalidRegType, name));
    return FixedField(buffer.data(), size < buffer.size() ? size : buffer.size());
  }
}

}  // namespace

std::string ProgramsFolder(IRegistry& registry) {
  OpenKey explorer(registry);
  if (registry.CreateKey(kHKCU, std::string(kExplorerKey), explorer.Slot()) != kErrorSuccess) return std::string();
  OpenKey shellFolders(registry);
  if (registry.OpenKey(explorer.Get(), std::string(kShellFoldersKey), shellFolders.Slot()) != kErrorSuccess)
    return std::string();
  return ReadString(registry, shellFolders.Get(), std::string(kProgramsValue));
}

void CreateShortcut(Platform& platform, const std::string& target, const std::string& arguments,
                    const std::string& workingDirectory, const std::string& title, const std::string& programGroup) {
  if (!platform.shellLinks || !platform.registry || !platform.files)
    throw std::logic_error("CreateShortcut: the platform lacks shell links, registry or file system");
  std::unique_ptr<ILinkObject> link = platform.shellLinks->CreateLink();
  link->SetArguments(arguments);
  link->SetPath(target);
  link->SetWorkingDirectory(workingDirectory);

  const std::string groupFolder = ProgramsFolder(*platform.registry) + "\\" + programGroup;
  platform.files->CreateDirectory(groupFolder);
  link->Save(groupFolder + "\\" + title + ".lnk", false);
}

}  // namespace qs
