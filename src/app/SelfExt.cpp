// SelfExt: the entry of Quillset.exe. Everything past the entry lives in the libraries; the
// Win32 backend puts the installer together (COM, platform, application, wizard form).
#include <windows.h>

#include "ui/win32/program.h"

// No demangled names in a terminate message: keeps the demangler out of the fixed-size stub.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  return qs::win32::RunInstaller(instance, showCommand);
}
