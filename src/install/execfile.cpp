#include "install/execfile.h"

#include <cstdlib>
#include <stdexcept>

namespace qs {

const TypeInfo kPriorityClassType{"TPriorityClass", {"pcNormal", "pcIdle", "pcHigh", "pcRealTime"}, {}};
const TypeInfo kWaitStyleType{"TWaitStyle", {"wRegular", "wSuspend"}, {}};
const TypeInfo kWindowStyleType{
    "TWindowStyle", {"wsNorm", "wsMinimize", "wsMaximize", "wsHide", "wsMinNoActivate", "wsShowNoActivate"}, {}};

std::uint32_t PriorityClassFlag(TPriorityClass p) {
  static constexpr std::uint32_t flags[] = {kNormalPriorityClass, kIdlePriorityClass, kHighPriorityClass,
                                            kRealtimePriorityClass};
  return p < 4 ? flags[p] : kNormalPriorityClass;
}

std::uint16_t ShowCommand(TWindowStyle w) {
  static constexpr std::uint16_t commands[] = {kSwShowNormal, kSwShowMinimized,   kSwShowMaximized,
                                               kSwHide,       kSwShowMinNoActive, kSwShowNA};
  return w < 6 ? commands[w] : kSwShowNormal;
}

namespace {

PropInfo InStringProp(std::string_view name, InString TExecFile::*field) {
  return {name,
          PropKind::String,
          nullptr,
          [field](TPersistent& o, const PropValue& v) { static_cast<TExecFile&>(o).*field = v.s; },
          [field](TPersistent& o) {
            PropValue v;
            v.s = (static_cast<TExecFile&>(o).*field).str();
            return v;
          },
          [field](TPersistent& o) { return !(static_cast<TExecFile&>(o).*field).empty(); }};
}

template <class E>
PropInfo EnumProp(std::string_view name, E TExecFile::*field, const TypeInfo* type, E def) {
  PropInfo p = IntProp(name, field, type, PropKind::Enumeration);
  p.set = [field, type](TPersistent& o, const PropValue& v) {
    // An ordinal outside the type keeps the default meaning rather than an undefined value.
    if (v.i >= 0 && v.i < static_cast<std::int64_t>(type->names.size()))
      static_cast<TExecFile&>(o).*field = static_cast<E>(v.i);
  };
  p.stored = [field, def](TPersistent& o) { return static_cast<TExecFile&>(o).*field != def; };
  return p;
}

PropInfo EventProp(std::string_view name, TNotifyEvent TExecFile::*field) {
  return {name,
          PropKind::Event,
          nullptr,
          [field](TPersistent& o, const PropValue& v) { static_cast<TExecFile&>(o).*field = v.event; },
          [field](TPersistent& o) {
            PropValue v;
            v.event = static_cast<TExecFile&>(o).*field;
            return v;
          },
          [field](TPersistent& o) { return !(static_cast<TExecFile&>(o).*field).name.empty(); }};
}

bool HasBlank(const std::string& s) { return s.find_first_of(" \t") != std::string::npos; }
bool StartsQuoted(const std::string& s) { return !s.empty() && s[0] == '"'; }
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
// A lone path in a command line: quoted when it holds a blank, so that the system cannot take a
// shorter prefix of it ("C:\Program" of "C:\Program Files\...") for the program.
std::string LonePath(const std::string& s) { return HasBlank(s) && !StartsQuoted(s) ? Quoted(s) : s; }

const bool registered = [] {
  ClassRegistry::Register(TExecFile::StaticInfo());
  return true;
}();

}  // namespace

const ClassInfo& TExecFile::StaticInfo() {
  static const ClassInfo info{"TExecFile",
                              &TComponent::StaticInfo(),
                              {
                                  BoolProp("Associate", &TExecFile::Associate),  // always stored
                                  InStringProp("CommandLine", &TExecFile::CommandLine),
                                  InStringProp("Parameters", &TExecFile::Parameters),
                                  EnumProp("Priority", &TExecFile::Priority, &kPriorityClassType, pcNormal),
                                  BoolProp("Wait", &TExecFile::Wait),  // always stored
                                  EnumProp("WaitStyle", &TExecFile::WaitStyle, &kWaitStyleType, wRegular),
                                  EnumProp("WindowStyle", &TExecFile::WindowStyle, &kWindowStyleType, wsNorm),
                                  EventProp("OnFail", &TExecFile::OnFail),
                              },
                              [](TComponent* owner) -> TComponent* { return new TExecFile(owner); },
                              {},
                              {}};
  (void)registered;
  return info;
}

bool TExecFile::ProgramPathNeedsQuotes(const std::string& text) {
  if (!HasBlank(text) || StartsQuoted(text)) return false;
  IFileSystem* files = Plat().files;
  return files && files->FileExists(text);
}

std::string TExecFile::FirstCommandLine() {
  const std::string& program = CommandLine;
  std::string line = (program + " " + Parameters.str()).substr(0, InString::kMax);
  // CommandLine is at most 255 characters, so it is whole at the start of the cut line.
  if (ProgramPathNeedsQuotes(program)) line = Quoted(program) + line.substr(program.size());
  return line;
}

std::string TExecFile::AssociationCommandLine() {
  return LonePath(AssociatedProgram) + " " + LonePath(CommandLine) + " " + Parameters.str();
}

bool TExecFile::Execute() {
  Platform& platform = Plat();
  if (!platform.processes) throw std::logic_error("TExecFile: the platform has no process launcher");
  IProcesses& processes = *platform.processes;

  startup_ = StartupRecord{};
  startup_.cb = sizeof(StartupRecord);
  startup_.flags = kStartfUseShowWindow;
  startup_.showWindow = ShowCommand(WindowStyle);
  priorityClass_ = PriorityClassFlag(Priority);
  const std::uint32_t creationFlags = priorityClass_ | kCreateNewConsole;

  processInfo_ = ProcessRecord{};
  bool started = processes.StartProcess(FirstCommandLine(), creationFlags, startup_, processInfo_);
  std::uint32_t failure = 0;
  bool failureSet = false;
  if (!started && Associate) {
    std::string program;
    std::uintptr_t found = processes.FindAssociation(CommandLine, "", program);
    if (found > 32 && program.size() > InString::kMax) {
      // The program's path does not fit: the lookup counts as failed.
      AssociatedProgram = "";
      failure = kErrorFilenameExcedRange;
      failureSet = true;
    } else if (found > 32) {
      AssociatedProgram = program;
      processInfo_ = ProcessRecord{};
      started = processes.StartProcess(AssociationCommandLine(), creationFlags, startup_, processInfo_);
    } else {
      AssociatedProgram = "";
    }
  }
  if (!started) {
    ErrorCode = failureSet ? failure : processes.LastError();
    if (OnFail) OnFail(this);
    return false;
  }

  // A handler dispatched during the wait may call Execute again: this call keeps its own record.
  const ProcessRecord own = processInfo_;
  if (Wait) WaitForEnd(own.process);
  processes.Close(own.thread);
  processes.Close(own.process);
  if (processInfo_.process == own.process) {
    processInfo_.process = 0;
    processInfo_.thread = 0;
  }
  return true;
}

void TExecFile::WaitForEnd(Handle process) {
  Platform& platform = Plat();
  IProcesses& processes = *platform.processes;
  if (WaitStyle == wSuspend) {
    processes.WaitForProcess(process, kInfinite);
    return;
  }
  // Regular wait: keep the thread's messages flowing until the program ends. Between rounds the
  // thread sleeps until a message arrives or the program ends, instead of polling.
  for (;;) {
    Message m;
    while (processes.NextMessage(m)) {
      if (m.message == kWmQuit) {
        const auto code = static_cast<std::uint32_t>(m.wParam);
        if (platform.halt) {
          platform.halt(code);
          return;  // only a test's hook comes back
        }
        std::exit(static_cast<int>(code));
      }
      processes.Dispatch(m);
    }
    if (processes.WaitForProcess(process, 0) != kWaitTimeout) {
      if (platform.processMessages) platform.processMessages();
      return;
    }
    processes.WaitForProcessOrMessage(process);
  }
}

}  // namespace qs
