// An installer as quillset test reads it. The first byte chooses the input: odd, a module list
// file on its own; even, a payload read onto a fresh wizard form and then checked as the tool
// checks it. Any bytes give an answer or a clear error, never a crash.
#include <cstdint>
#include <exception>
#include <vector>

#include "builder/builder.h"
#include "wizard/classes.h"
#include "wizard/unitext.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qs::RegisterInstallerClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1) {
    auto list = qs::ParseModuleList(data + 1, size - 1);
    if (list.accepted &&
        qs::kModuleListHeaderSize + list.records.size() * qs::kModuleRecSize + list.trailingBytes != size - 1)
      __builtin_trap();
    for (const auto& r : list.records) (void)qs::ModuleText(r.Title);
    return 0;
  }
  std::vector<std::uint8_t> payload(data + 1, data + size);
  try {
    std::size_t consumed = 0;
    auto form = qs::ReadPayload(payload, &consumed);
    if (consumed > payload.size()) __builtin_trap();
    (void)qs::CheckPayloadForm(*form);
  } catch (const std::exception&) {
  }
  return 0;
}
