// The toolkit's classes through the component stream: every published and defined property of a
// small form survives our writer and reader, and list values replace what a control held.
#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/streams.h"
#include "stream/reader.h"
#include "stream/textform.h"
#include "stream/writer.h"
#include "ui/notebook.h"
#include "ui/samples.h"
#include "ui/stdctrls.h"
#include "ui/treent.h"

namespace qs {
namespace {

class TSampleForm : public TForm {
 public:
  explicit TSampleForm(TComponent* owner) : TForm(owner) {}
  ~TSampleForm() override { DestroyComponents(); }
  static const ClassInfo& StaticInfo() {
    static const ClassInfo info{
        "TSampleForm",
        &TForm::StaticInfo(),
        {},
        [](TComponent* o) -> TComponent* { return new TSampleForm(o); },
        {
            {"Memo1", &TMemo::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Memo1.slot; }},
            {"Tree1", &TTreeNT::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Tree1.slot; }},
            {"Image1", &TImage::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Image1.slot; }},
            {"Book", &TNotebook::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Book.slot; }},
            {"Box", &TCheckBox::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Box.slot; }},
            {"Bar", &TProgressBar::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Bar.slot; }},
            {"Edit", &TDirectoryEdit::StaticInfo(), [](TComponent& r) -> TComponent*& { return Self(r).Edit.slot; }},
        },
        {}};
    return info;
  }
  const ClassInfo& Info() const override { return StaticInfo(); }
  static TSampleForm& Self(TComponent& r) { return static_cast<TSampleForm&>(r); }

  Published<TMemo> Memo1;
  Published<TTreeNT> Tree1;
  Published<TImage> Image1;
  Published<TNotebook> Book;
  Published<TCheckBox> Box;
  Published<TProgressBar> Bar;
  Published<TDirectoryEdit> Edit;
};

template <class T>
T* Place(TSampleForm& form, TWinControl* parent, const std::string& name) {
  auto* c = new T(&form);
  c->SetName(name);
  c->SetParent(parent);
  return c;
}

std::vector<std::uint8_t> Write(TComponent& root) {
  TMemoryStream s;
  WriteComponentStream(s, root);
  return s.Bytes();
}

void Read(const std::vector<std::uint8_t>& bytes, TComponent& root) {
  TMemoryStream s(bytes);
  ReadComponentStream(s, root);
}

TEST(ToolkitStream, EveryPropertySurvivesWriteAndRead) {
  TSampleForm form(nullptr);
  form.SetName("Sample");
  form.SetCaption("Caption \xE9");
  form.SetBorderStyle(bsToolWindow);
  form.SetTextHeight(16);
  form.Font().SetStyle(SetOf(fsUnderline));
  auto* memo = Place<TMemo>(form, &form, "Memo1");
  memo->Lines().Add("first");
  memo->Lines().Add(std::string(300, 'x'));  // a long line goes as a long string
  memo->Lines().Add("");
  memo->SetScrollBars(ssBoth);
  auto* tree = Place<TTreeNT>(form, &form, "Tree1");
  TTreeNode* users = tree->Add("Users");
  tree->AddChild(users, "Ann");
  tree->AddChild(users, "Bob")->SetImageIndex(3);
  tree->SetOptions(SetOf(toCheckSupport) | SetOf(toWantReturn));
  tree->SetInsertMarkColor(clRed);
  auto* image = Place<TImage>(form, &form, "Image1");
  auto jpeg = std::make_unique<TJPEGImage>();
  jpeg->LoadFromBytes(test::kTinyJpeg);
  image->Picture().SetGraphic(std::move(jpeg));
  auto* book = Place<TNotebook>(form, &form, "Book");
  for (const char* caption : {"One", "Two", "Three"}) {
    auto* page = new TPage(book);
    page->SetCaption(caption);
    page->SetParent(book);
  }
  book->SetPageIndex(2);
  auto* box = Place<TCheckBox>(form, book->Page(1), "Box");
  box->SetState(cbGrayed);
  auto* bar = Place<TProgressBar>(form, book->Page(1), "Bar");
  bar->SetRange(5, 50);
  bar->SetPosition(20);
  auto* edit = Place<TDirectoryEdit>(form, book->Page(0), "Edit");
  edit->SetText("C:\\Palm");
  edit->SetEnabled(false);

  const auto bytes = Write(form);
  TSampleForm copy(nullptr);
  Read(bytes, copy);
  copy.SetName("Sample");
  EXPECT_EQ(Write(copy), bytes);

  EXPECT_EQ(copy.Caption(), "Caption \xE9");
  EXPECT_EQ(copy.BorderStyle(), bsToolWindow);
  EXPECT_EQ(copy.TextHeight(), 16);
  EXPECT_EQ(copy.Font().Style(), SetOf(fsUnderline));
  ASSERT_TRUE(copy.Memo1);
  EXPECT_EQ(copy.Memo1->Lines().Lines(), memo->Lines().Lines());
  EXPECT_EQ(copy.Memo1->ScrollBars(), ssBoth);
  ASSERT_TRUE(copy.Tree1);
  EXPECT_EQ(copy.Tree1->Count(), 3);
  EXPECT_EQ(copy.Tree1->Item(2)->Text(), "Bob");
  EXPECT_EQ(copy.Tree1->Item(2)->ImageIndex(), 3);
  EXPECT_EQ(copy.Tree1->Options(), tree->Options());
  EXPECT_EQ(copy.Tree1->InsertMarkColor(), clRed);
  EXPECT_EQ(copy.Image1->Picture().Graphic()->Width(), 8);
  EXPECT_EQ(copy.Book->PageIndex(), 2);
  EXPECT_EQ(copy.Book->Page(1)->Caption(), "Two");
  EXPECT_EQ(copy.Box->Parent(), copy.Book->Page(1));
  EXPECT_EQ(copy.Box->State(), cbGrayed);
  EXPECT_EQ(copy.Bar->Min(), 5);
  EXPECT_EQ(copy.Bar->Max(), 50);
  EXPECT_EQ(copy.Bar->Position(), 20);
  EXPECT_EQ(copy.Edit->Text(), "C:\\Palm");
  EXPECT_FALSE(copy.Edit->Enabled());
}

// A form stream in text form, converted with the stream's own converter.
std::vector<std::uint8_t> FromText(const std::string& text) {
  TMemoryStream s;
  TextToComponentStream(text, s);
  return s.Bytes();
}

TEST(ToolkitStream, ListValuesReplaceWhatTheControlHeld) {
  TSampleForm form(nullptr);
  Read(FromText("object S: TSampleForm\n"
                "  object Memo1: TMemo\n"
                "    Lines.Strings = ('a' 'b' 'c')\n"
                "  end\n"
                "end\n"),
       form);
  ASSERT_EQ(form.Memo1->Lines().Count(), 3);
  // Reading onto the same memo again: the list value empties the list first.
  TMemoryStream again(
      FromText("object S: TSampleForm\n"
               "  inherited Memo1: TMemo\n"
               "    Lines.Strings = ('only')\n"
               "    font.height = -20\n"
               "  end\n"
               "end\n"));
  ReadComponentStream(again, form);
  EXPECT_EQ(form.Memo1->Lines().Lines(), std::vector<std::string>{"only"});
  EXPECT_EQ(form.Memo1->Font().Height(), -20);
  EXPECT_FALSE(form.Memo1->ParentFont());
}

TEST(ToolkitStream, BadValuesNameThePropertyInTheError) {
  struct Case {
    const char* body;
    const char* fragment;  // part of the message
  };
  const Case cases[] = {
      {"Lines.Strings = (1)", "Memo1.Lines.Strings"},
      {"ScrollBars = ssDiagonal", "Memo1.ScrollBars"},
      {"Visible = 3", "Memo1.Visible"},
      {"Font.Style = [fsBlink]", "Memo1.Font.Style"},
  };
  for (const Case& c : cases) {
    TSampleForm form(nullptr);
    const std::string text =
        std::string("object S: TSampleForm\n  object Memo1: TMemo\n    ") + c.body + "\n  end\nend\n";
    try {
      Read(FromText(text), form);
      ADD_FAILURE() << c.body << " was accepted";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.fragment), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace qs
