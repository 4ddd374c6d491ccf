// Starting programs and waiting for them, and the user-interface thread's message queue, in the
// system's own terms: a command line parsed by the system, creation flags, a process start-up
// record with a show command, process and thread handles, wait results and window messages.
// Member names keep clear of the system headers' A/W macros. platform/win32 implements IProcesses
// with the real API; platform/portable records the calls and answers from a script (tests, the
// command-line tool).
#pragma once
#include <cstdint>
#include <string>

namespace qs {

using Handle = std::uintptr_t;  // a process or thread handle; 0 is none

// The process start-up record, laid out as the 32-bit system's STARTUPINFOA: 68 bytes, pointers as
// 32-bit fields (the launcher leaves every pointer and handle at zero).
struct StartupRecord {
  std::uint32_t cb = 0;
  std::uint32_t reserved = 0, desktop = 0, title = 0;
  std::uint32_t x = 0, y = 0, xSize = 0, ySize = 0, xCountChars = 0, yCountChars = 0, fillAttribute = 0;
  std::uint32_t flags = 0;
  std::uint16_t showWindow = 0, cbReserved2 = 0;
  std::uint32_t reserved2 = 0, stdInput = 0, stdOutput = 0, stdError = 0;
};
static_assert(sizeof(StartupRecord) == 68, "the start-up record is the system's 68-byte record");

// The process information record filled by a successful start.
struct ProcessRecord {
  Handle process = 0;
  Handle thread = 0;
  std::uint32_t processId = 0;
  std::uint32_t threadId = 0;
};

inline constexpr std::uint32_t kStartfUseShowWindow = 0x1;
inline constexpr std::uint32_t kCreateNewConsole = 0x10;
inline constexpr std::uint32_t kNormalPriorityClass = 0x20, kIdlePriorityClass = 0x40, kHighPriorityClass = 0x80,
                               kRealtimePriorityClass = 0x100;
inline constexpr std::uint16_t kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwShowMaximized = 3,
                               kSwShowMinNoActive = 7, kSwShowNA = 8;

inline constexpr std::uint32_t kWaitObject0 = 0x0;    // the process has ended
inline constexpr std::uint32_t kWaitInput = 0x1;      // (message wait) input is in the queue
inline constexpr std::uint32_t kWaitTimeout = 0x102;  // still running
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFFu;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

inline constexpr std::uint32_t kWmQuit = 0x12;

// A window message as taken from the thread's queue.
struct Message {
  std::uintptr_t window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
  std::int32_t x = 0, y = 0;  // cursor position when the message was posted
};

class IProcesses {
 public:
  virtual ~IProcesses() = default;

  // Starts a process the way the launcher does: no separate program name (the program is the first
  // item of commandLine as the system parses it), no security attributes, no handle inheritance,
  // the caller's environment and current directory. True on success with `process` filled; false
  // otherwise, with the reason in LastError().
  virtual bool StartProcess(const std::string& commandLine, std::uint32_t creationFlags, const StartupRecord& startup,
                            ProcessRecord& process) = 0;
  // The calling thread's last-error code.
  virtual std::uint32_t LastError() = 0;

  // The shell's lookup of the program associated with a document (FindExecutableA). Gives the
  // system's result: above 32 on success, with the program's path in `program`; 32 or less on failure.
  virtual std::uintptr_t FindAssociation(const std::string& document, const std::string& directory,
                                         std::string& program) = 0;

  // Waits for a process to end: kWaitObject0 when it has, kWaitTimeout when it is still running
  // after timeoutMs (0 tests without waiting; kInfinite blocks), kWaitFailed on a bad handle.
  virtual std::uint32_t WaitForProcess(Handle process, std::uint32_t timeoutMs) = 0;
  // Blocks until the process ends (kWaitObject0) or a message is in the thread's queue (kWaitInput),
  // whichever comes first; the message is left in the queue. kWaitFailed on failure.
  virtual std::uint32_t WaitForProcessOrMessage(Handle process) = 0;
  virtual void Close(Handle handle) = 0;

  // The thread's message queue: takes the next message for any window (removing it); false when
  // the queue is empty.
  virtual bool NextMessage(Message& message) = 0;
  // Translates and dispatches a message taken by NextMessage.
  virtual void Dispatch(const Message& message) = 0;
};

}  // namespace qs
