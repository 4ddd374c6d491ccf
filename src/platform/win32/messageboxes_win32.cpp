#include "platform/win32/messageboxes_win32.h"

#include <windows.h>

namespace qs {

int Win32MessageBoxes::Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

}  // namespace qs
