// The REGEDIT4 text that the registry editor exports: read into the portable registry, and
// written from it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/registry.h"

namespace qs {

// The outcome of loading REGEDIT4 text.
struct RegLoadResult {
  bool ok = true;
  int line = 0;       // the line of the error (1-based), 0 when ok
  std::string error;  // what was wrong there
  // Sections of other roots (HKEY_LOCAL_MACHINE, ...) are skipped; their first lines are noted here.
  std::vector<std::string> skipped;
};

// Merges REGEDIT4 text into the registry. Nothing is changed when the text has an error.
RegLoadResult LoadRegedit4(PortableRegistry& registry, std::string_view text);
// The whole tree as REGEDIT4 text (CR LF line ends), keys in order of their upper-cased names.
std::string SaveRegedit4(const PortableRegistry& registry);

}  // namespace qs
