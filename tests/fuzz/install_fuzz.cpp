// Module names come from a payload. Whatever they are, a module file name that the name check lets
// through stays one file directly inside the directory it is joined to (as the portable file
// system resolves Windows paths).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "install/safename.h"
#include "platform/portable/files.h"

namespace {

void CheckName(const std::string& source) {
  std::string name;
  try {
    name = qs::ModuleFileName(source);
  } catch (const qs::EBadFileName&) {
    return;
  }
  for (const char* dir : {"C:\\Dest\\", "C:\\"}) {
    auto p = qs::ParseWindowsPath(std::string(dir) + name, 'C');
    if (!p) continue;  // refused outright: nothing is written anywhere
    const std::size_t depth = std::string(dir) == "C:\\" ? 1 : 2;
    if (p->drive != 'C' || p->parts.size() != depth || (depth == 2 && p->parts[0] != "Dest")) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckName(input);
  return 0;
}
