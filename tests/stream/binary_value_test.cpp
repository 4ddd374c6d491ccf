// Binary values of every size around the reader's 4,096-byte blocks, from a stream in memory and
// from one that is not (handing out its bytes in pieces): the property's reader gets exactly the
// value's bytes, reading goes on after them, and the stream ends just past the record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/piece_stream.h"
#include "stream/bytes.h"
#include "stream/reader.h"
#include "stream/test_classes.h"

namespace qs::test {
namespace {

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 31 + (i >> 8));
  return s;
}

TEST(BinaryValue, ArrivesWholeWhateverItsSizeAndPlace) {
  const std::string graphic("\x0CTTestGraphic", 13);
  // The caption before the value moves it across the block boundary.
  for (std::size_t lead : {std::size_t{0}, std::size_t{200}, std::size_t{4000}}) {
    for (std::size_t n : {0u, 1u, 4000u, 4070u, 4083u, 4096u, 4097u, 9000u, 70000u}) {
      const std::string pixels = Pattern(n);
      Bytes props;
      if (lead) props.prop("Caption").lstr(std::string(lead, 'c'));
      props.prop("Picture.Data").bin(graphic + pixels).prop("Left").i8(4);
      Bytes b = Bytes::Root(props);
      const auto end = static_cast<std::int64_t>(b.v.size());
      b.text("trailing bytes");
      for (std::size_t piece : {std::size_t{0}, std::size_t{1000}}) {  // 0: in memory
        const std::string what = "lead " + std::to_string(lead) + ", " + std::to_string(n) + " bytes" +
                                 (piece ? ", in pieces" : ", in memory");
        TMemoryStream memory(b.v);
        PieceStream pieces(b.v, piece);
        TStream& s = piece ? static_cast<TStream&>(pieces) : memory;
        TTestForm form;
        ReadComponentStream(s, form);
        EXPECT_EQ(form.picture.graphic, "TTestGraphic") << what;
        EXPECT_TRUE(std::string(form.picture.bytes.begin(), form.picture.bytes.end()) == pixels) << what;
        EXPECT_EQ(form.left, 4) << what;
        EXPECT_EQ(s.Position(), end) << what;
      }
    }
  }
}

TEST(BinaryValue, CutShortFailsWithoutReadingPastTheEnd) {
  for (std::size_t have : {0u, 100u, 5000u}) {
    Bytes b;
    b.sig().obj("TTestForm", "TestForm").prop("Picture.Data").raw({TagBinary}).u32(6000).text(Pattern(have));
    for (std::size_t piece : {std::size_t{0}, std::size_t{1000}}) {
      TMemoryStream memory(b.v);
      PieceStream pieces(b.v, piece);
      TStream& s = piece ? static_cast<TStream&>(pieces) : memory;
      TTestForm form;
      try {
        ReadComponentStream(s, form);
        ADD_FAILURE() << have << " bytes of 6000 were accepted";
      } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "error reading TestForm.Picture.Data: stream read error") << have;
      }
      EXPECT_LE(s.Position(), static_cast<std::int64_t>(b.v.size())) << have;
    }
  }
}

}  // namespace
}  // namespace qs::test
