// TExecFile: the non-visual component that starts an external program - a command line built from
// its properties, a new console, a priority class and a show command - falls back to the program
// associated with a document when asked to, and waits for the program to end, either keeping the
// thread's window messages flowing (wRegular) or blocking (wSuspend). It shows nothing: a failure
// to start sets ErrorCode and calls OnFail.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/processes.h"
#include "stream/component.h"

namespace qs {

// A string of at most 255 single-byte characters held inside the component: a longer value is cut
// when assigned.
class InString {
 public:
  static constexpr std::size_t kMax = 255;
  InString() = default;
  InString(std::string_view s) : s_(s.substr(0, kMax)) {}  // NOLINT: assigned like a string
  InString& operator=(std::string_view s) {
    s_.assign(s.substr(0, kMax));
    return *this;
  }
  const std::string& str() const { return s_; }
  operator const std::string&() const { return s_; }  // NOLINT
  bool empty() const { return s_.empty(); }
  std::size_t size() const { return s_.size(); }
  bool operator==(std::string_view o) const { return s_ == o; }

 private:
  std::string s_;
};

enum TPriorityClass : std::uint8_t { pcNormal, pcIdle, pcHigh, pcRealTime };
enum TWaitStyle : std::uint8_t { wRegular, wSuspend };
enum TWindowStyle : std::uint8_t { wsNorm, wsMinimize, wsMaximize, wsHide, wsMinNoActivate, wsShowNoActivate };

extern const TypeInfo kPriorityClassType;
extern const TypeInfo kWaitStyleType;
extern const TypeInfo kWindowStyleType;

// The creation priority flag and the show command of the enumerations.
std::uint32_t PriorityClassFlag(TPriorityClass p);
std::uint16_t ShowCommand(TWindowStyle w);

// The last error given to OnFail when the associated program's path does not fit in 255 characters.
inline constexpr std::uint32_t kErrorFilenameExcedRange = 206;

class TExecFile : public TNonVisual {
 public:
  explicit TExecFile(TComponent* owner) : TNonVisual(owner) {}
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  // Published, in declaration order.
  bool Associate = false;
  InString CommandLine;
  InString Parameters;
  TPriorityClass Priority = pcNormal;
  bool Wait = false;
  TWaitStyle WaitStyle = wRegular;
  TWindowStyle WindowStyle = wsNorm;
  TNotifyEvent OnFail;

  // State of the last Execute.
  std::uint32_t ErrorCode = 0;
  InString AssociatedProgram;
  std::uint32_t PriorityClass() const { return priorityClass_; }
  const StartupRecord& StartupInfo() const { return startup_; }
  // The handles are released before Execute returns (and then shown as 0); the identifiers stay.
  const ProcessRecord& ProcessInfo() const { return processInfo_; }

  // Starts the program; true when one was started (and, with Wait, has ended), false when nothing
  // could be started (ErrorCode set, OnFail called).
  bool Execute();

  // The platform to use; the host bundle when none is set (components read from a stream).
  void UsePlatform(Platform* platform) { platform_ = platform; }

  // The command lines Execute passes to the system: the first, cut to 255 characters (counted
  // without the quotes added around an existing program path that holds blanks), and the
  // association fallback's line, whole.
  std::string FirstCommandLine();
  std::string AssociationCommandLine();

 private:
  Platform& Plat() { return platform_ ? *platform_ : Host(); }
  bool ProgramPathNeedsQuotes(const std::string& text);
  void WaitForEnd(Handle process);

  Platform* platform_ = nullptr;
  std::uint32_t priorityClass_ = 0;
  StartupRecord startup_;
  ProcessRecord processInfo_;
};

// Makes TExecFile creatable by name (for streams read without a form that declares the field).
void RegisterInstallClasses();

}  // namespace qs
