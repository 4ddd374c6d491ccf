// Hostile text forms: whatever compiles gives a stream that dumps, and the dump compiles to the
// same bytes again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/streams.h"
#include "stream/textform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  qs::TMemoryStream first;
  try {
    qs::TextToComponentStream(text, first);
  } catch (const qs::ETextFormError&) {
    return 0;
  }
  first.SetPosition(0);
  const std::string dump = qs::ComponentStreamToText(first);
  qs::TMemoryStream second;
  qs::TextToComponentStream(dump, second);
  if (second.Bytes() != first.Bytes()) __builtin_trap();
  return 0;
}
