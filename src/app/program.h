// The installer program on real windows: what the entry of Quillset.exe calls.
#pragma once
#include <windows.h>

namespace qs::win32 {

// Initialises COM (apartment-threaded) for the user-interface thread, sets up the Win32 platform
// and toolkit backend, creates the wizard form from the built-in form resource "TFORMTOOLS", runs
// the event loop and tears everything down again. Gives the program's exit code.
int RunInstaller(HINSTANCE instance, int showCommand);

}  // namespace qs::win32
