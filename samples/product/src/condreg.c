/* The sample product's conduit registration tool "CONDREG.EXE". The installer writes it and
   "VEVORO20.DLL" beside itself, runs it with the installer's directory as its argument, waits for
   it and deletes both. It proves all of that by appending one line per run to "CONDREG.LOG" in
   the directory it was given: its whole command line and the version that the conduit library
   beside it reports (or "no library" when it cannot load it). */
#include <windows.h>

typedef int(__cdecl* VersionFn)(void);

static void Append(HANDLE f, const char* text) {
  DWORD written;
  WriteFile(f, text, lstrlenA(text), &written, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR args, int show) {
  char dir[MAX_PATH + 32];
  char path[MAX_PATH + 32];
  char number[16];
  const char* version = "no library";
  (void)instance;
  (void)previous;
  (void)show;
  /* The argument is the directory, ending in a separator; an empty one means our own directory. */
  if (args && *args && lstrlenA(args) < MAX_PATH) {
    lstrcpyA(dir, args);
  } else {
    DWORD n = GetModuleFileNameA(NULL, dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    while (n > 0 && dir[n - 1] != '\\') --n;
    dir[n] = 0;
  }
  /* The library is looked up beside the tool itself. */
  DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    while (n > 0 && path[n - 1] != '\\') --n;
    lstrcpyA(path + n, "VEVORO20.DLL");
    HMODULE lib = LoadLibraryA(path);
    if (lib) {
      VersionFn fn = (VersionFn)(void*)GetProcAddress(lib, "ConduitVersion");
      if (fn) {
        wsprintfA(number, "%d", fn());
        version = number;
      }
      FreeLibrary(lib);
    }
  }
  n = (DWORD)lstrlenA(dir);
  if (n > 0 && dir[n - 1] != '\\') lstrcatA(dir, "\\");
  lstrcatA(dir, "CONDREG.LOG");
  HANDLE f = CreateFileA(dir, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return 2;
  Append(f, "cmdline=");
  Append(f, GetCommandLineA());
  Append(f, "\r\nargs=");
  Append(f, args ? args : "");
  Append(f, "\r\nlibrary=");
  Append(f, version);
  Append(f, "\r\n");
  CloseHandle(f);
  return 0;
}
