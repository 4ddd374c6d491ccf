#include "platform/win32/host_win32.h"

#include <windows.h>

#include <vector>

namespace qs {

std::string Win32ProgramPath() {
  std::vector<char> buf(MAX_PATH);
  while (true) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return std::string(buf.data(), n);
    if (buf.size() >= 32768) return {};  // no path is longer
    buf.resize(buf.size() * 2);
  }
}

}  // namespace qs
