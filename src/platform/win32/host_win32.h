// The real platform as one bundle: Win32 file system, registry and message boxes, and the
// running program's path, with the Platform that points at them. Further services (processes,
// shell links) are set on `platform` by whoever owns them.
#pragma once
#include <string>

#include "platform/platform.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/messageboxes_win32.h"
#include "platform/win32/registry_win32.h"

namespace qs {

// The full path of the running program file (GetModuleFileNameA).
std::string Win32ProgramPath();

struct Win32Host {
  Win32FileSystem files;
  Win32Registry registry;
  Win32MessageBoxes boxes;
  Platform platform;

  Win32Host() {
    platform.files = &files;
    platform.registry = &registry;
    platform.boxes = &boxes;
    platform.programPath = Win32ProgramPath();
  }
  Win32Host(const Win32Host&) = delete;
  Win32Host& operator=(const Win32Host&) = delete;
};

}  // namespace qs
