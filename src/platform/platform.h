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

#include "core/files.h"

namespace qs {

class IProcesses;   // platform/processes.h
class IShellLinks;  // platform/shelllinks.h

// ---- registry (HKEY_CURRENT_USER only) ------------------------------------------------------

using RegKey = std::uintptr_t;                // an open key; 0 is none
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
