// The reader on the wizard form itself: the toolkit's classes found through the form's fields
// and the registry, pages owned by their notebook, pictures of an unknown graphic class.
#include <gtest/gtest.h>

#include "core/streams.h"
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

}  // namespace
}  // namespace qs
