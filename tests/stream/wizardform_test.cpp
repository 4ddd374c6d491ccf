// The reader on the wizard form itself: the toolkit's classes found through the form's fields
// and the registry, pages owned by their notebook, pictures of an unknown graphic class.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/streams.h"
#include "stream/bytes.h"
#include "stream/reader.h"
#include "stream/textform.h"
#include "stream/writer.h"
#include "wizard/unitext.h"

namespace qs {
namespace {

void ReadText(TFormTools& form, std::string_view text) {
  TMemoryStream s;
  TextToComponentStream(text, s);
  s.SetPosition(0);
  ReadComponentStream(s, form);
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(ReaderOnTheWizardForm, UnknownGraphicLeavesThePictureEmptyAndReadingGoesOn) {
  TFormTools form(nullptr);
  ReadText(form,
           "object FormTools: TFormTools\n"
           "  object Image1: TImage\n"
           "    Picture.Data = {0954476966496D616765 0102030405}\n"  // "TGifImage" and its bytes
           "    Left = 5\n"
           "  end\n"
           "  object Label1: TLabel\n"
           "    Caption = 'after'\n"
           "  end\n"
           "end\n");
  ASSERT_TRUE(form.Image1);
  EXPECT_TRUE(form.Image1->Picture().Empty());
  EXPECT_EQ(form.Image1->Left(), 5);
  ASSERT_TRUE(form.Label1);
  EXPECT_EQ(form.Label1->Caption(), "after");
}

TEST(ReaderOnTheWizardForm, PagesBelongToTheNotebookAndWhatIsOnThemToTheForm) {
  TFormTools form(nullptr);
  ReadText(form,
           "object FormTools: TFormTools\n"
           "  object Notebook1: TNotebook\n"
           "    object TPage\n"
           "      Caption = 'Welcome'\n"
           "      object Label1: TLabel\n"
           "      end\n"
           "    end\n"
           "    object TPage\n"
           "      Caption = 'Licence'\n"
           "    end\n"
           "  end\n"
           "  object BNext: TLabel\n"  // a known name of another kind
           "  end\n"
           "end\n");
  ASSERT_TRUE(form.Notebook1);
  ASSERT_EQ(form.Notebook1->PageCount(), 2);
  TPage* page = form.Notebook1->Page(0);
  EXPECT_EQ(page->Owner(), form.Notebook1.get());
  ASSERT_TRUE(form.Label1);
  EXPECT_EQ(form.Label1->Owner(), &form);
  EXPECT_EQ(form.Label1->Parent(), page);
  EXPECT_FALSE(form.BNext);
  EXPECT_NE(form.FindComponent("BNext"), nullptr);
  // Written again, the form gives the same stream.
  TMemoryStream once, twice;
  WriteComponentStream(once, form);
  TFormTools copy(nullptr);
  once.SetPosition(0);
  ReadComponentStream(once, copy);
  WriteComponentStream(twice, copy);
  EXPECT_EQ(once.Bytes(), twice.Bytes());
}

// Data that ends inside a value's own bytes: the reader's text, whichever class reads the value.
TEST(ReaderOnTheWizardForm, ValueDataEndingEarlyIsAStreamReadError) {
  using test::Bytes;
  const std::string jpeg = std::string("\x0ATJPEGImage") + std::string("\x64\0\0\0ab", 6);  // 100 bytes said
  struct Case {
    const char* what;
    Bytes child;
    const char* error;
  } cases[] = {
      {"a cut container",
       Bytes()
           .obj("TPackFiles", "PackFiles1")
           .prop("Items")
           .raw({TagCollection, TagList})
           .prop("Name")
           .str("N.PRC")
           .prop("TPFData")
           .bin(std::string("GDG\x0C\0\0\0", 7))
           .end()
           .end()
           .end()
           .end(),
       "error reading PackFiles1.Items: error reading TFileItem.TPFData: stream read error"},
      {"a picture's length past its value", Bytes().obj("TImage", "Image1").prop("Picture.Data").bin(jpeg).end().end(),
       "error reading Image1.Picture.Data: stream read error"},
      {"cut tree-item data",
       Bytes().obj("TTreeNT", "Tree1").prop("Items.Data").bin(std::string("\0\x01\0\0\0\x05\0", 7)).end().end(),
       "error reading Tree1.Items.Data: stream read error"},
  };
  for (const auto& c : cases) {
    Bytes b;
    b.sig().obj("TFormTools", "FormTools").end();
    b.v.insert(b.v.end(), c.child.v.begin(), c.child.v.end());
    b.end();
    TMemoryStream s = b.Stream();
    TFormTools form(nullptr);
    try {
      ReadComponentStream(s, form);
      ADD_FAILURE() << c.what << ": read";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), c.error) << c.what;
    }
  }
}

}  // namespace
}  // namespace qs
