// REGEDIT4 text: any bytes load or fail with a line and a reason; what loads saves to text that
// loads back to the same tree.
#include <cstdint>
#include <string_view>

#include "platform/portable/regedit4.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qs::PortableRegistry reg;
  auto r = qs::LoadRegedit4(reg, std::string_view(reinterpret_cast<const char*>(data), size));
  if (!r.ok) {
    if (r.error.empty()) __builtin_trap();
    return 0;
  }
  std::string text = qs::SaveRegedit4(reg);
  qs::PortableRegistry back;
  if (!qs::LoadRegedit4(back, text).ok) __builtin_trap();
  if (qs::SaveRegedit4(back) != text) __builtin_trap();
  return 0;
}
