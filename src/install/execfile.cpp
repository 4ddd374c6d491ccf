#include "install/execfile.h"

#include <cstdlib>
#include <stdexcept>

#include "stream/props.h"

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

bool HasBlank(const std::string& s) { return s.find_first_of(" \t") != std::string::npos; }
bool StartsQuoted(const std::string& s) { return !s.empty() && s[0] == '"'; }
std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
// A lone path in a command line: quoted when it holds a blank, so that the system cannot take a
// shorter prefix of it ("C:\Program" of "C:\Program Files\...") for the program.
std::string LonePath(const std::string& s) { return HasBlank(s) && !StartsQuoted(s) ? Quoted(s) : s; }

}  // namespace

const ClassInfo& TExecFile::StaticInfo() {
  using E = TExecFile;
  static const ClassInfo info{
      "TExecFile",
      &TComponent::StaticInfo(),
      {
          props::Bool<&E::Associate>("Associate"),
          props::Str<&E::CommandLine, &E::CommandLine, props::kEmpty>("CommandLine"),
          props::Str<&E::Parameters, &E::Parameters, props::kEmpty>("Parameters"),
          props::Enum<kPriorityClassType, &E::Priority, &E::Priority, pcNormal>("Priority"),
          props::Bool<&E::Wait>("Wait"),
          props::Enum<kWaitStyleType, &E::WaitStyle, &E::WaitStyle, wRegular>("WaitStyle"),
          props::Enum<kWindowStyleType, &E::WindowStyle, &E::WindowStyle, wsNorm>("WindowStyle"),
          props::Event<&E::OnFail>("OnFail"),
      },
      &Create<TExecFile>,
      {},
      {}};
  return info;
}

void RegisterInstallClasses() { ClassRegistry::Register(TExecFile::StaticInfo()); }

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
