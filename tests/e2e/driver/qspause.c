/* qspause: a stand-in for a product's PC program in the screenshot walk of the end-to-end runs.
 * The installer waits for the programs it runs, and while it waits its Installation page is on the
 * screen. This program waits until a file "QSPAUSE.GO" appears beside it (at most 60 s) and ends,
 * so the walk can photograph the page before letting the run go on. The file stays: later runs of
 * the program (one per chosen user) end at once. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR args, int show) {
  char path[MAX_PATH + 16];
  DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
  int i;
  (void)instance;
  (void)previous;
  (void)args;
  (void)show;
  if (n == 0 || n >= MAX_PATH) return 1;
  while (n > 0 && path[n - 1] != '\\' && path[n - 1] != ':') --n;
  lstrcpyA(path + n, "QSPAUSE.GO");
  for (i = 0; i < 600; ++i) {
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 0;
    Sleep(100);
  }
  return 3;
}
