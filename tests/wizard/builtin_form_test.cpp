// The built-in form TFORMTOOLS read onto a fresh TFormTools: every field bound, every text, option,
// page, layout value and picture as the program ships them; and our writer gives back its bytes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/streams.h"
#include "stream/reader.h"
#include "stream/writer.h"
#include "wizard/builtinform.h"
#include "wizard/unitext.h"

namespace qs {
namespace {

std::vector<std::uint8_t> Bytes() {
  auto s = BuiltInFormTools();
  return {s.begin(), s.end()};
}

struct BuiltIn : ::testing::Test {
  TFormTools form{nullptr};
  void SetUp() override {
    TMemoryStream in(Bytes());
    ReadComponentStream(in, form);
    EXPECT_EQ(in.Position(), in.Size());
  }
  TComponent* Named(const std::string& name) {
    if (TComponent* c = form.FindComponent(name)) return c;
    return nullptr;
  }
};

TEST_F(BuiltIn, BindsEveryPublishedFieldToAComponentOfItsClass) {
  const auto& fields = TFormTools::StaticInfo().fields;
  ASSERT_EQ(fields.size(), 52u);
  std::set<std::string_view> classes;
  for (const FieldInfo& f : fields) {
    TComponent* c = f.slot(form);
    ASSERT_NE(c, nullptr) << f.name;
    EXPECT_EQ(c->Name(), f.name);
    EXPECT_TRUE(c->Info().InheritsFrom(*f.cls)) << f.name;
    EXPECT_EQ(c->Owner(), &form) << f.name;
    classes.insert(f.cls->name);
  }
  EXPECT_EQ(classes.size(), 14u);
  // The typed accessors see them too.
  EXPECT_TRUE(form.Tree1 && form.CkUserList && form.ExecFile1 && form.PackFiles1 && form.Image2);
}

TEST_F(BuiltIn, PagesInOrderOwnedByTheNotebookShowingTheHiddenPage) {
  const char* pages[] = {"Welcome",     "Licence",      "Destination_Dir", "SelectModule",
                         "Select_User", "Installation", "Finish",          "Internal_Option"};
  TNotebook* nb = form.Notebook1;
  ASSERT_EQ(nb->PageCount(), 8);
  for (int i = 0; i < 8; ++i) {
    TPage* p = nb->Page(i);
    EXPECT_EQ(p->Caption(), pages[i]);
    EXPECT_EQ(p->Name(), "");
    EXPECT_EQ(p->Owner(), nb);
  }
  EXPECT_EQ(nb->PageIndex(), 7);
}

TEST_F(BuiltIn, EachComponentSitsOnItsPage) {
  const std::map<std::string, std::vector<std::string>> placed = {
      {"Welcome", {"Label1", "Label2", "MemoWelcome"}},
      {"Licence", {"Label3", "MemoLicence"}},
      {"Destination_Dir", {"Label4", "Label5", "Panel1"}},
      {"SelectModule", {"Label8", "Label9", "Tree1", "Button1", "Button2"}},
      {"Select_User", {"Label10", "Label11", "CkUserList", "Button3", "Button4"}},
      {"Installation", {"Label12", "Label13", "LbUser", "GroupBox1"}},
      {"Finish", {"Label6", "Label7"}},
      {"Internal_Option",
       {"Copyright", "Welcome", "AutoInstallFirstUser", "CKInstallDoviConduit", "MaxStdFile", "MaxStdFileInArchive",
        "idErrorDirectory", "idAttention", "idExit", "idStop", "idSelectUser", "idUser", "idDesktopAsk", "idDesktop",
        "MaxStdFile2", "CKDisplaySelectDirectory", "Image2"}},
      {"Panel1", {"DirectoryEdit1"}},
      {"GroupBox1", {"LabelInfo", "ProgressBar1"}},
  };
  for (const auto& [parent, names] : placed) {
    for (const std::string& n : names) {
      auto* c = dynamic_cast<TControl*>(Named(n));
      ASSERT_NE(c, nullptr) << n;
      ASSERT_NE(c->Parent(), nullptr) << n;
      const std::string where = c->Parent()->Name().empty() ? c->Parent()->Caption() : c->Parent()->Name();
      EXPECT_EQ(where, parent) << n;
    }
  }
  for (const char* n : {"Image1", "Bevel1", "BPrev", "BNext", "BCancel", "Notebook1"})
    EXPECT_EQ(dynamic_cast<TControl*>(Named(n))->Parent(), &form) << n;
}

TEST_F(BuiltIn, TextsAndOptions) {
  const std::map<std::string, std::string> captions = {
      {"Label1", "Welcome, "},
      {"Label2",
       "This installation program will install %APPTITLE%.\r\nPress the Next button to start the installation. "
       "You can press the Cancel Setup button now if you do not want to install the %APPTITLE% at this time."},
      {"Label3", "Licences terms :"},
      {"Label4", "Select Destination Directory"},
      {"Label5", "Please select the directory where %APPTITLE% files are to be installed."},
      {"Label6", "Installation Completed!"},
      {"Label7",
       "The %APPTITLE% has been successfully installed.\r\n\r\n"
       "Your PalmOS \xA9 application will be transfered onto your pilot at the next HotSync.\r\n\r\n"
       "You will find a documentation about this product in the installation group created.\r\n\r\n"
       "Press the Finish button to exit this installation."},
      {"Label8", "Modules selection,"},
      {"Label9", "Please select the modules you want to install :"},
      {"Label10", "Select a user,"},
      {"Label11", "Please select the user that the installation program will use for installing %APPTITLE%."},
      {"Label12", "Installing files ..."},
      {"Label13", "User :"},
      {"GroupBox1", "Progress :"},
      {"LbUser", ""},
      {"LabelInfo", ""},
      {"BPrev", "< B&ack"},
      {"BNext", "N&ext >"},
      {"BCancel", "Ca&ncel"},
      {"Button1", "Select all"},
      {"Button2", "Unselect all"},
      {"Button3", "Select all"},
      {"Button4", "Unselect all"},
      {"Copyright", "Copyright"},
      {"Welcome", "Welcome"},
      {"AutoInstallFirstUser", "AutoInstallFirstUser"},
      {"CKInstallDoviConduit", "InstDoviConduit"},
      {"CKDisplaySelectDirectory", "DispSelectDirectory"},
      {"idErrorDirectory", "Directory is empty. Please indicate a directory."},
      {"idAttention", "Parameter information"},
      {"idExit", "Are you sure you want to exit ? If you exit now your program will not installed."},
      {"idStop", "Cancel installation ..."},
      {"idSelectUser", "You must select at once one user."},
      {"idUser", "User selection"},
      {"idDesktopAsk",
       "It seems that the Palm Desktop was not installed on this computer. Since this component is necessary to "
       "complete the installation do you want to continue anyway ?"},
      {"idDesktop", "Desktop installation .."},
      {"MaxStdFile", "MaxStdFile"},
      {"MaxStdFileInArchive", "MaxStdFileInArchive"},
      {"MaxStdFile2", "MaxStdFile"},
  };
  for (const auto& [name, text] : captions) {
    auto* c = dynamic_cast<TControl*>(Named(name));
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(c->Caption(), text) << name;
  }
  for (TCheckBox* box : {form.Copyright.get(), form.Welcome.get(), form.AutoInstallFirstUser.get(),
                         form.CKInstallDoviConduit.get(), form.CKDisplaySelectDirectory.get()})
    EXPECT_FALSE(box->Checked()) << box->Name();
  EXPECT_EQ(form.DirectoryEdit1->Text(), "");
  EXPECT_EQ(form.MemoWelcome->Lines().Count(), 0);
  EXPECT_EQ(form.MemoLicence->Lines().Count(), 0);
  EXPECT_EQ(form.MemoWelcome->ScrollBars(), ssVertical);
  EXPECT_EQ(form.MemoLicence->ScrollBars(), ssVertical);
}

TEST_F(BuiltIn, ButtonsAndEventBindings) {
  EXPECT_FALSE(form.BPrev->Enabled());
  EXPECT_TRUE(form.BNext->Enabled());
  EXPECT_TRUE(form.BNext->Default());
  EXPECT_FALSE(form.BCancel->Default());
  const std::map<std::string, std::string> handlers = {
      {"BPrev", "BPrevClick"},     {"BNext", "BNextClick"},     {"BCancel", "BCancelClick"},
      {"Button1", "Button1Click"}, {"Button3", "Button1Click"}, {"Button2", "Button2Click"},
      {"Button4", "Button2Click"},
  };
  for (const auto& [button, handler] : handlers) {
    auto* b = dynamic_cast<TButton*>(Named(button));
    EXPECT_EQ(b->OnClick.name, handler) << button;
    EXPECT_TRUE(static_cast<bool>(b->OnClick)) << button;
  }
  EXPECT_EQ(form.OnCreate.name, "FormCreate");
  EXPECT_EQ(form.OnDestroy.name, "FormDestroy");
}

TEST_F(BuiltIn, FormPropertiesLayoutAndFonts) {
  EXPECT_EQ(form.Caption(), "Installation");
  EXPECT_EQ(form.BorderStyle(), bsDialog);
  EXPECT_EQ(form.Position(), poScreenCenter);
  EXPECT_EQ(form.ClientWidth(), 524);
  EXPECT_EQ(form.ClientHeight(), 311);
  EXPECT_EQ(form.Font().Name(), "MS Sans Serif");
  EXPECT_EQ(form.Font().Height(), -11);
  EXPECT_EQ(form.TextHeight(), 13);

  struct Box {
    const char* name;
    int left, top, width, height;
  };
  const Box boxes[] = {
      {"Image1", 9, 7, 122, 260},  {"Notebook1", 136, 7, 377, 261}, {"Bevel1", 8, 275, 507, 2},
      {"BPrev", 290, 283, 73, 25}, {"BNext", 362, 283, 73, 25},     {"BCancel", 442, 283, 73, 25},
  };
  for (const Box& b : boxes) {
    auto* c = dynamic_cast<TControl*>(Named(b.name));
    EXPECT_EQ(c->Left(), b.left) << b.name;
    EXPECT_EQ(c->Top(), b.top) << b.name;
    EXPECT_EQ(c->Width(), b.width) << b.name;
    EXPECT_EQ(c->Height(), b.height) << b.name;
  }
  EXPECT_EQ(form.Bevel1->Shape(), bsTopLine);
  EXPECT_TRUE(form.Image1->Center());

  for (const char* heading : {"Label1", "Label3", "Label4", "Label6", "Label8", "Label10", "Label12"}) {
    auto* l = dynamic_cast<TLabel*>(Named(heading));
    EXPECT_EQ(l->EffectiveFont().Name(), "Times New Roman") << heading;
    EXPECT_EQ(l->EffectiveFont().Height(), -24) << heading;
    EXPECT_EQ(l->EffectiveFont().Style(), SetOf(fsBold) | SetOf(fsItalic)) << heading;
  }
  EXPECT_EQ(form.LbUser->EffectiveFont().Style(), SetOf(fsBold));
  EXPECT_EQ(form.Label2->EffectiveFont().Name(), "MS Sans Serif");

  const TSet treeOptions = SetOf(toAutoExpand) | SetOf(toAutoScroll) | SetOf(toCheckSupport) | SetOf(toEvenHeight) |
                           SetOf(toHideSelection) | SetOf(toRightClickSelect) | SetOf(toShowButtons) |
                           SetOf(toShowLines) | SetOf(toShowRoot);
  for (TTreeNT* t : {form.Tree1.get(), form.CkUserList.get()}) {
    EXPECT_EQ(t->Indent(), 19) << t->Name();
    EXPECT_EQ(t->ItemHeight(), 16) << t->Name();
    EXPECT_EQ(t->Options(), treeOptions) << t->Name();
    EXPECT_EQ(t->Count(), 0) << t->Name();
  }
  EXPECT_EQ(form.ProgressBar1->Min(), 0);
  EXPECT_EQ(form.ProgressBar1->Max(), 100);
  EXPECT_EQ(form.PackFiles1->Version(), "1.3");
  EXPECT_EQ(form.PackFiles1->Items().Count(), 0);
  EXPECT_FALSE(form.ExecFile1->Associate);
  EXPECT_TRUE(form.ExecFile1->Wait);
}

TEST_F(BuiltIn, PicturesBannerJpegAndIcon) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(form.Image1->Picture().Graphic());
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->DecodeError(), "");
  EXPECT_EQ(jpeg->Width(), 122);
  EXPECT_EQ(jpeg->Height(), 260);
  auto* icon = dynamic_cast<TIcon*>(form.Image2->Picture().Graphic());
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 32);
  EXPECT_EQ(icon->Height(), 32);
}

TEST_F(BuiltIn, WritingTheFormGivesBackTheSameBytes) {
  form.SetName("FormTools");  // the reader leaves the root's own name alone
  TMemoryStream out;
  WriteComponentStream(out, form);
  const auto& written = out.Bytes();
  const auto original = Bytes();
  std::size_t at = 0;
  while (at < written.size() && at < original.size() && written[at] == original[at]) ++at;
  EXPECT_EQ(at, original.size()) << "first difference at byte " << at;
  EXPECT_EQ(written.size(), original.size());
}

TEST_F(BuiltIn, StrippedFormReadsAgain) {
  form.DestroyComponents();
  for (const FieldInfo& f : TFormTools::StaticInfo().fields) EXPECT_EQ(f.slot(form), nullptr) << f.name;
  TMemoryStream in(Bytes());
  ReadComponentStream(in, form);
  for (const FieldInfo& f : TFormTools::StaticInfo().fields) EXPECT_NE(f.slot(form), nullptr) << f.name;
  EXPECT_EQ(form.Notebook1->PageIndex(), 7);
}

}  // namespace
}  // namespace qs
