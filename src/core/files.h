// The file interfaces: an open file and the file system that opens them, in Windows terms ("\"
// separators, drive letters, ANSI names). The file stream works over them; platform/win32 and
// platform/portable implement them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace qs {

// How an open file is shared with other openers.
enum class ShareMode { DenyNone, DenyWrite, DenyReadWrite, Exclusive };

// An open file. Closing happens on destruction.
class IFile {
 public:
  virtual ~IFile() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;         // bytes read, 0 at the end or on failure
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;  // bytes written
  virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;        // origin 0/1/2; -1 on failure
  virtual std::int64_t Size() = 0;
  // Last-modification time as a Windows FILETIME value (100 ns since 1601).
  virtual std::uint64_t ModificationTime() = 0;
  virtual bool SetModificationTime(std::uint64_t filetime) = 0;
};

inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // Opens an existing file; nullptr on failure.
  virtual std::unique_ptr<IFile> Open(const std::string& path, bool write, ShareMode share) = 0;
  // Creates a file, replacing an existing one (emptied); nullptr on failure.
  virtual std::unique_ptr<IFile> Create(const std::string& path) = 0;
  virtual bool Delete(const std::string& path) = 0;
  virtual bool Copy(const std::string& from, const std::string& to, bool failIfExists) = 0;
  // Creates one directory level; false when it exists already or cannot be made.
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Creates a directory with every missing directory above it; true when it exists afterwards.
  virtual bool ForceDirectories(const std::string& path) = 0;
  // File attributes (kAttrDirectory, ...) or kInvalidAttributes when nothing is there.
  virtual std::uint32_t Attributes(const std::string& path) = 0;
  // Removes an empty directory; false when it is not there, not empty or cannot be removed.
  virtual bool RemoveDirectory(const std::string& path) = 0;
  // The user's folder for temporary files, ending in a separator; empty when there is none.
  virtual std::string TempDirectory() = 0;

  bool FileExists(const std::string& path) {
    auto a = Attributes(path);
    return a != kInvalidAttributes && !(a & kAttrDirectory);
  }
  bool DirectoryExists(const std::string& path) {
    auto a = Attributes(path);
    return a != kInvalidAttributes && (a & kAttrDirectory);
  }
};

}  // namespace qs
