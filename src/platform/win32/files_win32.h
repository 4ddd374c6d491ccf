// The file system through the ANSI Win32 API: paths go to Windows as they are.
#pragma once
#include "platform/platform.h"

namespace qs {

class Win32FileSystem : public IFileSystem {
 public:
  std::unique_ptr<IFile> Open(const std::string& path, bool write, ShareMode share) override;
  std::unique_ptr<IFile> Create(const std::string& path) override;
  bool Delete(const std::string& path) override;
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDirectory(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  std::uint32_t Attributes(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  std::string TempDirectory() override;
};

}  // namespace qs
