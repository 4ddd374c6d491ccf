// The file system of the installer over host folders: each Windows drive letter is mapped onto a
// host directory, and Windows paths are resolved below it.
//
// Path rules (what Windows does, unless said otherwise):
// - "X:\a\b" is absolute on drive X; "\a\b" starts at the root of the current drive; "X:a" and a
//   relative "a\b" are taken from the root of their drive (every drive's current directory is its
//   root here).
// - Only "\" separates components. A "/" is refused (the call fails as for an invalid name): the
//   installer's own path logic (file-name part, directory part) only knows "\" and ":", so a path
//   with "/" would mean one thing there and another here. UNC paths ("\\server\share") are refused.
// - Empty and "." components are dropped, ".." removes the previous component and stops at the
//   drive root, so no path leaves its mapped folder through "..". Trailing dots and spaces of a
//   component are dropped, as Windows does.
// - Names with < > " | ? * or control characters, a ":" after the drive, device names (CON, NUL,
//   COM1, ...) and full paths of 260 characters or more are refused, as the ANSI API refuses them.
// - Existing components are found without regard to the case of a-z; new ones are made as given.
// - Open handles of this file system share files as Windows handles do: an open, create, copy or
//   delete that the share modes of the handles already open on the file forbid fails.
// - Symbolic links below a mapped folder are followed as the host follows them.
// - A drive can be made read-only, as a CD or a protected share is: nothing on it can be created,
//   written, copied onto, deleted or removed, and its files open for reading only.
#pragma once
#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qs {

// A Windows path taken apart: its drive letter (upper case) and its components, with ".", ".."
// and empty components already resolved.
struct WindowsPath {
  char drive = 'C';
  std::vector<std::string> parts;
  // "C:\a\b" ("C:\" for the root).
  std::string Text() const;
};

// Parses a Windows path against the current drive; nullopt for a path the rules above refuse.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path, char currentDrive);

class PortableFileSystem : public IFileSystem {
 public:
  PortableFileSystem();
  ~PortableFileSystem() override;

  // Maps a drive letter (a-z or A-Z) onto a host folder. The folder should exist.
  void MapDrive(char letter, const std::filesystem::path& hostRoot);
  void UnmapDrive(char letter);
  // The drive of paths that start with "\" or have no drive; C unless changed.
  void SetCurrentDrive(char letter);
  char CurrentDrive() const { return current_; }
  // Makes a drive read-only or writable again (writable unless changed).
  void SetReadOnly(char letter, bool readOnly);
  // The folder that TempDirectory gives (a separator is added when missing); the root of the
  // current drive unless changed. The folder is not created.
  void SetTempDirectory(std::string path);

  // The host path a Windows path stands for (existing components in their stored case), or
  // nullopt when the path is refused or its drive is not mapped.
  std::optional<std::filesystem::path> HostPath(std::string_view path) const;

  std::unique_ptr<IFile> Open(const std::string& path, bool write, ShareMode share) override;
  std::unique_ptr<IFile> Create(const std::string& path) override;
  bool Delete(const std::string& path) override;
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override;
  bool CreateDirectory(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  std::uint32_t Attributes(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  std::string TempDirectory() override;

  // Number of files currently open through this file system.
  std::size_t OpenFiles() const;

  struct HandleTable;  // the open handles, shared with the files

 private:
  std::optional<std::filesystem::path> Resolve(const WindowsPath& p) const;
  bool ReadOnly(const WindowsPath& p) const { return readOnly_[p.drive - 'A']; }
  bool ReadOnly(std::string_view path) const;

  std::array<std::optional<std::filesystem::path>, 26> drives_;
  std::array<bool, 26> readOnly_{};
  char current_ = 'C';
  std::string temp_;
  std::shared_ptr<HandleTable> handles_;
};

}  // namespace qs
