// Hostile values of the toolkit's binary properties: "Items.Data" of a tree and "Picture.Data" of
// an image, as a payload hands them over. The first byte chooses which; the rest is the value.
// Whatever reads without failure must write out and read back into the same thing.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "core/errors.h"
#include "core/streams.h"
#include "ui/graphics.h"
#include "ui/treent.h"

namespace {

std::vector<std::uint8_t> WrittenItems(qs::TTreeNT& tree) {
  qs::TMemoryStream out;
  tree.Items().WriteData(out);
  return out.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  qs::TMemoryStream value(std::vector<std::uint8_t>(data + 1, data + size));
  if (data[0] & 1) {
    qs::TPicture picture;
    try {
      picture.ReadData(value);
    } catch (const qs::EReadError&) {
      return 0;
    }
    if (!picture.Graphic()) return 0;  // an empty picture has no data to write
    qs::TMemoryStream out;
    picture.WriteData(out);
    qs::TPicture again;
    out.SetPosition(0);
    again.ReadData(out);
    qs::TMemoryStream out2;
    again.WriteData(out2);
    if (out2.Bytes() != out.Bytes()) __builtin_trap();
  } else {
    qs::TTreeNT tree(nullptr);
    try {
      tree.Items().ReadData(value);
    } catch (const qs::EReadError&) {
      // What was read before the failure stays and must be sound.
    }
    const int count = tree.Count();
    for (int i = 0; i < count; ++i) tree.Item(i)->SetCheckState(1);
    const std::vector<std::uint8_t> written = WrittenItems(tree);
    qs::TTreeNT again(nullptr);
    qs::TMemoryStream in(written);
    again.Items().ReadData(in);
    if (again.Count() != count || WrittenItems(again) != written) __builtin_trap();
  }
  return 0;
}
