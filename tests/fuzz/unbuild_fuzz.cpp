// A payload taken apart as quillset extract and unbuild do. Any bytes give files or a clear error,
// never a crash; nothing is written outside the folder; a rebuild that does not read onto the same
// form is never silent.
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/builder.h"
#include "builder/unbuild.h"
#include "packer/gpackfiles.h"
#include "wizard/unitext.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path root = fs::temp_directory_path() / ("qs-fuzz-unbuild-" + std::to_string(getpid()));
  std::vector<std::uint8_t> payload(data, data + size);
  try {
    auto form = qs::ReadPayload(payload);
    if (form->PackFiles1)
      for (int i = 0; i < form->PackFiles1->Items().Count(); ++i)
        (void)form->PackFiles1->ExtractToStream(form->PackFiles1->Items().Items(i)->Name());
  } catch (const std::exception&) {
    return 0;
  }
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root);
  try {
    qs::UnbuildReport r = qs::Unbuild(payload, (root / "out").string());
    if (r.identical && !r.sameForm) __builtin_trap();
    if (!r.sameForm && r.warnings.empty()) __builtin_trap();
  } catch (const std::exception&) {
  }
  for (auto& e : fs::directory_iterator(root))
    if (e.path().filename() != "out") __builtin_trap();
  fs::remove_all(root, ec);
  return 0;
}
