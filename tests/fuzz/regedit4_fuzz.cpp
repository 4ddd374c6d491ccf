// REGEDIT4 text: any bytes load or fail with a line and a reason; what loads saves to text that
// loads back to the same tree.
#include <cstdint>
#include <string_view>

#include "platform/portable/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qs::PortableRegistry reg;
  auto r = reg.LoadRegedit4(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!r.ok) {
    if (r.error.empty()) __builtin_trap();
    return 0;
  }
  std::string text = reg.SaveRegedit4();
  qs::PortableRegistry back;
  if (!back.LoadRegedit4(text).ok) __builtin_trap();
  if (back.SaveRegedit4() != text) __builtin_trap();
  return 0;
}
