// Hostile component streams. The same bytes are read onto a fresh wizard form (the classes a
// payload really meets) and onto the test form (every property kind), and dumped as text; a
// dump that succeeds must compile back to a stream that dumps to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/streams.h"
#include "stream/reader.h"
#include "stream/test_classes.h"
#include "stream/textform.h"
#include "wizard/classes.h"
#include "wizard/unitext.h"

namespace {
template <class Root>
void ReadOnto(Root& root, const std::vector<std::uint8_t>& bytes) {
  qs::TMemoryStream s(bytes);
  try {
    qs::ReadComponentStream(s, root);
  } catch (const qs::Exception&) {
  }
  if (s.Position() > static_cast<std::int64_t>(bytes.size())) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qs::RegisterInstallerClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  {
    qs::TFormTools form(nullptr);
    ReadOnto(form, bytes);
  }
  {
    qs::test::TTestForm form;
    ReadOnto(form, bytes);
  }
  qs::TMemoryStream in(bytes);
  std::string text;
  try {
    qs::DumpComponentStream(in, text);
  } catch (const qs::Exception&) {
    return 0;
  }
  qs::TMemoryStream back;
  qs::TextToComponentStream(text, back);  // a dump always compiles
  back.SetPosition(0);
  // The bytes may differ (a text is written in its shortest form), the meaning may not.
  if (qs::ComponentStreamToText(back) != text) __builtin_trap();
  return 0;
}
