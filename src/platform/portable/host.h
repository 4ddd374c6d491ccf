// The portable platform as one bundle: host-folder file system, in-memory registry and recording
// message boxes, with the Platform that points at them.
#pragma once
#include <string>

#include "platform/platform.h"
#include "platform/portable/files.h"
#include "platform/portable/messageboxes.h"
#include "platform/portable/registry.h"

namespace qs {

struct PortableHost {
  PortableFileSystem files;
  PortableRegistry registry;
  RecordingMessageBoxes boxes;
  Platform platform;

  explicit PortableHost(std::string programPath = "C:\\Quillset.exe") {
    platform.files = &files;
    platform.registry = &registry;
    platform.boxes = &boxes;
    platform.programPath = std::move(programPath);
  }
  PortableHost(const PortableHost&) = delete;
  PortableHost& operator=(const PortableHost&) = delete;
};

}  // namespace qs
