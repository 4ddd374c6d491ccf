// SelfExt: the entry of Quillset.exe. program.cpp beside it puts the installer together (COM, the
// Win32 platform and window backend, the wizard form); everything else lives in the libraries.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/program.h"
#include "wizard/classes.h"

// No demangled names in a terminate message: keeps the demangler out of the fixed-size stub.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The runtime's exception classes bring in std::random_device, which calls these two members of
// std::string. Instantiated here they come from the program itself; left to the library they pull
// in its whole string object file (some 30 KB of the fixed-size stub).
template int std::string::compare(const char*) const;
template std::string::pointer std::string::_M_create(std::string::size_type&, std::string::size_type);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  qs::RegisterInstallerClasses();
  return qs::win32::RunInstaller(instance, showCommand);
}
