#include "platform/win32/processes_win32.h"

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <vector>

namespace qs {

bool Win32Processes::StartProcess(const std::string& commandLine, std::uint32_t creationFlags,
                                  const StartupRecord& startup, ProcessRecord& process) {
  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  si.dwX = startup.x;
  si.dwY = startup.y;
  si.dwXSize = startup.xSize;
  si.dwYSize = startup.ySize;
  si.dwXCountChars = startup.xCountChars;
  si.dwYCountChars = startup.yCountChars;
  si.dwFillAttribute = startup.fillAttribute;
  si.dwFlags = startup.flags;
  si.wShowWindow = startup.showWindow;
  // The system may write into the command line: hand it a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  PROCESS_INFORMATION pi;
  ZeroMemory(&pi, sizeof pi);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr, &si, &pi))
    return false;
  process.process = reinterpret_cast<Handle>(pi.hProcess);
  process.thread = reinterpret_cast<Handle>(pi.hThread);
  process.processId = pi.dwProcessId;
  process.threadId = pi.dwThreadId;
  return true;
}

std::uint32_t Win32Processes::LastError() { return GetLastError(); }

std::uintptr_t Win32Processes::FindAssociation(const std::string& document, const std::string& directory,
                                               std::string& program) {
  // The system writes up to MAX_PATH characters; the buffer has room for all of them.
  char buffer[MAX_PATH + 1] = {};
  HINSTANCE r = FindExecutableA(document.c_str(), directory.empty() ? nullptr : directory.c_str(), buffer);
  auto result = reinterpret_cast<std::uintptr_t>(r);
  if (result > 32) program.assign(buffer, strnlen(buffer, MAX_PATH));
  return result;
}

std::uint32_t Win32Processes::WaitForProcess(Handle process, std::uint32_t timeoutMs) {
  return WaitForSingleObject(reinterpret_cast<HANDLE>(process), timeoutMs);
}

std::uint32_t Win32Processes::WaitForProcessOrMessage(Handle process) {
  HANDLE h = reinterpret_cast<HANDLE>(process);
  // MWMO_INPUTAVAILABLE: also wake for input already in the queue, not only for new input.
  DWORD r = MsgWaitForMultipleObjectsEx(1, &h, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (r == WAIT_OBJECT_0) return kWaitObject0;
  if (r == WAIT_OBJECT_0 + 1) return kWaitInput;
  return kWaitFailed;
}

void Win32Processes::Close(Handle handle) {
  if (handle) CloseHandle(reinterpret_cast<HANDLE>(handle));
}

bool Win32Processes::NextMessage(Message& message) {
  MSG msg;
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  message.window = reinterpret_cast<std::uintptr_t>(msg.hwnd);
  message.message = msg.message;
  message.wParam = msg.wParam;
  message.lParam = msg.lParam;
  message.time = msg.time;
  message.x = msg.pt.x;
  message.y = msg.pt.y;
  return true;
}

void Win32Processes::Dispatch(const Message& message) {
  MSG msg;
  msg.hwnd = reinterpret_cast<HWND>(message.window);
  msg.message = message.message;
  msg.wParam = message.wParam;
  msg.lParam = message.lParam;
  msg.time = message.time;
  msg.pt.x = message.x;
  msg.pt.y = message.y;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace qs
