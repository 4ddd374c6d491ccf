// The seam between the installer and the operating system. Everything the installer asks of
// Windows goes through these interfaces, always in Windows terms: "\" separators, drive letters,
// HKEY_CURRENT_USER keys, ANSI text. platform/win32 implements them with the real API;
// platform/portable implements them over host folders and an in-memory registry for tests and
// for the command-line tool.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qs {

enum class ShareMode;
class IProcesses;   // platform/processes.h
class IShellLinks;  // platform/shelllinks.h

// ---- files -------------------------------------------------------------------------------

// An open file. Closing happens on destruction.
class IFile {
 public:
  virtual ~IFile() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;    // bytes read, 0 at the end or on failure
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;  // bytes written
  virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;   // origin 0/1/2; -1 on failure
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

// ---- registry (HKEY_CURRENT_USER only) ------------------------------------------------------

using RegKey = std::uintptr_t;           // an open key; 0 is none
inline constexpr RegKey kHKCU = 0x80000001u;  // the predefined HKEY_CURRENT_USER
inline constexpr std::uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4;
inline constexpr long kErrorSuccess = 0, kErrorFileNotFound = 2, kErrorMoreData = 234;

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens an existing key below parent; never creates. Win32 error code (0 on success).
  virtual long OpenKey(RegKey parent, const std::string& subkey, RegKey& result) = 0;
  // Opens a key below parent, creating it (and missing keys above it) when missing.
  virtual long CreateKey(RegKey parent, const std::string& subkey, RegKey& result) = 0;
  // Reads a value into buffer (capacity in *size on entry, bytes stored on return) with its type.
  // A value larger than the buffer gives kErrorMoreData and leaves the buffer unspecified.
  virtual long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* buffer,
                          std::uint32_t* size) = 0;
  // Writes a REG_DWORD value, replacing any value of that name.
  virtual long SetDword(RegKey key, const std::string& name, std::uint32_t value) = 0;
  virtual long CloseKey(RegKey key) = 0;
};

// ---- message boxes ----------------------------------------------------------------------------

inline constexpr unsigned kMbOk = 0x0, kMbYesNo = 0x4, kMbIconError = 0x10, kMbIconQuestion = 0x20,
                          kMbDefButton2 = 0x100;
inline constexpr int kIdOk = 1, kIdYes = 6, kIdNo = 7;

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // owner: the native window handle of the owner (0 for none). Gives the button pressed.
  virtual int Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) = 0;
};

// ---- the bundle -------------------------------------------------------------------------------

// What the program entry hands to the rest of the installer. Further services (processes, shell
// links) are added beside these as the installer grows.
struct Platform {
  IFileSystem* files = nullptr;
  IRegistry* registry = nullptr;
  IMessageBoxes* boxes = nullptr;
  std::string programPath;  // command-line element 0: the running program's own path
  // Processes the user-interface thread's pending messages (set by the application; may be empty).
  std::function<void()> processMessages;
  IProcesses* processes = nullptr;
  IShellLinks* shellLinks = nullptr;
  // Ends the whole installer at once with an exit code (set by the application: a quit request
  // taken from the queue while the launcher waits). When empty, the process exits.
  std::function<void(std::uint32_t exitCode)> halt;
};

// The host bundle chosen by the program entry (or a test). Components created by the stream
// reader cannot take constructor arguments, so they reach the platform through it.
inline Platform*& HostSlot() {
  static Platform* host = nullptr;
  return host;
}
inline Platform& Host() { return *HostSlot(); }
inline void SetHost(Platform* p) { HostSlot() = p; }

}  // namespace qs
