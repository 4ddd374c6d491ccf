#include "app/program.h"

#include <objbase.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/win32/host_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/shelllinks_win32.h"
#include "ui/win32/backend_win32.h"
#include "wizard/selfext.h"

namespace qs::win32 {
namespace {

// COM for the one user-interface thread, apartment-threaded, for the life of the program (the
// shell's link object and folder picker need it).
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComApartment() { Leave(); }
  void Leave() {
    if (ok_) CoUninitialize();
    ok_ = false;
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

// A data resource of the program (RCDATA) by name; empty when there is none.
std::vector<std::uint8_t> ProgramResource(HINSTANCE instance, std::string_view name) {
  const std::string id(name);
  HRSRC found = FindResourceA(instance, id.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) return {};
  HGLOBAL loaded = LoadResource(instance, found);
  const DWORD size = SizeofResource(instance, found);
  const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return {};
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace

int RunInstaller(HINSTANCE instance, int showCommand) {
  ComApartment com;
  Win32Host host;
  Win32Processes processes;
  Win32ShellLinks links;
  host.platform.processes = &processes;
  host.platform.shellLinks = &links;
  // A quit request taken while the launcher waits ends the installer at once: the program leaves
  // COM first, as it does on the way out of a normal run.
  host.platform.halt = [&com](std::uint32_t exitCode) {
    com.Leave();
    std::exit(static_cast<int>(exitCode));
  };
  TWin32Backend backend(instance, showCommand);
  // Boxes without an owner (the HotSync queue's) are task-modal: no handler runs beneath them.
  host.platform.boxes = &backend;
  return SelfExt(backend, host.platform, [instance](std::string_view name) { return ProgramResource(instance, name); });
}

}  // namespace qs::win32
