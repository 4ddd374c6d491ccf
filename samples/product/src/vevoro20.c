/* The sample product's conduit library "VEVORO20.DLL": a real, tiny library whose one export
   tells its version, so the registration tool can prove it found the library beside itself. */
#include <windows.h>

__declspec(dllexport) int __cdecl ConduitVersion(void) { return 200; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
