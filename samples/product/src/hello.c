/* The sample product's PC program. The installer runs it after writing it into the destination
   directory; it proves that it ran by writing "HELLO.RUN" next to itself with its own path and
   its command line, then ends at once (no window). */
#include <windows.h>

static void Append(HANDLE f, const char* text) {
  DWORD written;
  WriteFile(f, text, lstrlenA(text), &written, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR args, int show) {
  char path[MAX_PATH + 16];
  DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
  (void)instance;
  (void)previous;
  (void)show;
  if (n == 0 || n >= MAX_PATH) return 1;
  char self[MAX_PATH + 16];
  lstrcpyA(self, path);
  /* Replace the file-name part by the marker's name. */
  while (n > 0 && path[n - 1] != '\\' && path[n - 1] != ':') --n;
  lstrcpyA(path + n, "HELLO.RUN");
  HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return 2;
  Append(f, "program=");
  Append(f, self);
  Append(f, "\r\nargs=");
  Append(f, args ? args : "");
  Append(f, "\r\n");
  CloseHandle(f);
  return 0;
}
