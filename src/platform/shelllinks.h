// The shell's link object: a shortcut with a target path, arguments and a working directory, saved
// as a ".lnk" file. platform/win32 creates the real COM object; platform/portable records the calls.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace qs {

using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
inline constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);

// Raised when the object does not offer an interface that is asked of it.
inline constexpr std::string_view kMsgIntfNotSupported =
    "Interface non support\xE9"
    "e";
// The message of a COM error code for which the system has no text.
inline constexpr std::string_view kMsgOleError = "Erreur OLE %.8X";

// A COM call that failed; the message is the system's text for the code.
class EOleSysError : public Exception {
 public:
  EOleSysError(const std::string& message, HResult code) : Exception(message), errorCode(code) {}
  HResult errorCode;
};

// The system's text for a COM error code (empty when it has none) or else "Erreur OLE" with the
// code as eight hexadecimal digits.
inline std::string OleErrorMessage(HResult code, const std::string& systemText) {
  if (!systemText.empty()) return systemText;
  // Written out by hand: a formatted print would bring the C runtime's whole printf into the stub.
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string digits(8, '0');
  for (int i = 0; i < 8; ++i) digits[i] = kHex[(static_cast<std::uint32_t>(code) >> (28 - 4 * i)) & 0xF];
  std::string pattern(kMsgOleError);
  return pattern.substr(0, pattern.find('%')) + digits;
}

// One link object (the shell's IShellLinkA and IPersistFile of one instance; named so as not to meet
// the system headers' IShellLink macro). Released on destruction. Every call gives the object's
// HRESULT.
class ILinkObject {
 public:
  virtual ~ILinkObject() = default;
  virtual HResult SetArguments(const std::string& arguments) = 0;
  virtual HResult SetPath(const std::string& path) = 0;
  virtual HResult SetWorkingDirectory(const std::string& directory) = 0;
  // Saves the link to an ANSI path (converted to UTF-16 from the system's code page); `remember`
  // makes the path the object's current file. An existing file of that name is replaced.
  virtual HResult Save(const std::string& path, bool remember) = 0;
};

class IShellLinks {
 public:
  virtual ~IShellLinks() = default;
  // Creates a link object (in-process or local server). Raises EOleSysError when it cannot be
  // created and Exception(kMsgIntfNotSupported) when it lacks either interface.
  virtual std::unique_ptr<ILinkObject> CreateLink() = 0;
};

}  // namespace qs
