// Start-up of the wizard: built-in and payload modes, the Palm Desktop question, the module list
// beside the program, the user tree, title and icon, and the ways start-up fails.
#include <gtest/gtest.h>

#include <cstring>

#include "core/text.h"
#include "palm/autoinst.h"
#include "stream/textform.h"
#include "wizard/moduletree.h"
#include "wizard_fixture.h"

namespace qs::test {
namespace {

TEST(StartupName, MarkerCountsOnlyInTheFileName) {
  const struct {
    const char* path;
    bool builtIn;
  } cases[] = {
      {"C:\\Apps\\Quillset.exe", true},
      {"C:\\Apps\\QUILLSET.EXE", true},
      {"C:\\Apps\\my-qUiLlSeT-2.exe", true},
      {"quillset", true},
      {"C:quillset.exe", true},            // after the drive colon
      {"D:\\x:Quillset.exe", true},        // after the last ":" as well
      {"C:\\Quillset\\Setup.exe", false},  // only in the directory part
      {"C:\\Quillset\\", false},
      {"C:\\Apps\\Quill set.exe", false},
      {"C:\\Apps\\QUILLSE.exe", false},
      {"C:\\Apps\\Qu\xCDllset.exe", false},  // accented letters are not folded
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsBuiltInProgramName(c.path), c.builtIn) << c.path;
}

// Built-in mode: no payload is read (the program file need not even exist), the built-in texts
// keep their placeholders, no modules, no packed files.
TEST_F(WizardTest, BuiltInModeRunsOnTheBuiltInForm) {
  for (const char* name : {"C:\\Apps\\Quillset.exe", "C:\\Apps\\setup-QuillSet.EXE"}) {
    program.reset();
    InstallDesktop({{"Ann", "Ann"}});
    host.platform.programPath = name;
    files.log.clear();
    ASSERT_TRUE(Start()) << name;
    EXPECT_EQ(files.log, std::vector<std::string>{"open rw deny-none C:\\Palm\\users.dat"});
    EXPECT_EQ(form->Notebook1->PageIndex(), 0);
    EXPECT_EQ(form->Tree1->Count(), 0);
    EXPECT_EQ(form->PackFiles1->Items().Count(), 0);
    EXPECT_EQ(form->Label2->Caption().find("%APPTITLE%") != std::string::npos, true);
    EXPECT_FALSE(form->MemoWelcome->Visible());  // Welcome is unchecked in the built-in form
    EXPECT_FALSE(form->BPrev->Enabled());
    EXPECT_EQ(program->App().Title(), "Installation");
    EXPECT_EQ(backend.Title(), "Installation");
    EXPECT_EQ(TreeShape(*form->CkUserList), (std::vector<std::string>{"Users", "  Ann"}));
  }
}

// Payload mode, all of it: payload texts and options, the module tree from the payload's list
// file, the user tree, title and icon, and nothing left beside the program.
TEST_F(WizardTest, PayloadModeAppliesThePayload) {
  InstallDesktop({{"Ann Smith", "SmithA"}, {"Bob", "Bob"}, {"Carla", "CarlaC"}});
  auto model = BuiltInModel();
  model->SetCaption("Acme Reader Setup");
  model->Label1->SetCaption("Welcome to Acme Reader");
  model->Welcome->SetChecked(true);
  model->MemoWelcome->SetVisible(false);  // the stream hides it; start-up shows it
  model->Notebook1->SetPageIndex(5);
  model->CkUserList->Add("Stored node");  // discarded at start-up
  model->CkUserList->Add("Another");
  AddPackedFile(*model, "ILIST.QSP",
                ListFile({Module("C:\\Build\\Reader.prc", "Acme Reader", "Handheld", 0),
                          Module("C:\\Build\\readme.txt", "", "", 1), Module("C:\\Build\\Data.pdb", "", "Handheld")}));
  AddPackedFile(*model, "Reader.prc", "PRC bytes");
  WriteProgram(*model);
  model.reset();

  ASSERT_TRUE(Start());
  EXPECT_EQ(backend.Boxes().size(), 0u);
  EXPECT_EQ(form->Label1->Caption(), "Welcome to Acme Reader");
  EXPECT_EQ(form->Notebook1->PageIndex(), 0);
  EXPECT_TRUE(form->MemoWelcome->Visible());
  EXPECT_FALSE(form->BPrev->Enabled());
  EXPECT_EQ(program->App().Title(), "Acme Reader Setup");
  EXPECT_EQ(backend.Title(), "Acme Reader Setup");
  EXPECT_EQ(form->PackFiles1->Items().Count(), 2);

  EXPECT_EQ(TreeShape(*form->Tree1),
            (std::vector<std::string>{"Handheld", "  Acme Reader", "  Data.pdb", "General", "  readme.txt"}));

  const TTreeNT& users = *form->CkUserList;
  EXPECT_EQ(TreeShape(users), (std::vector<std::string>{"Users", "  Ann Smith", "  Bob", "  Carla"}));
  const TTreeNode* root = users.TopItem(0);
  EXPECT_FALSE(root->ShowsCheckBox());
  EXPECT_EQ(root->ImageIndex(), 1);
  EXPECT_EQ(root->SelectedIndex(), 1);
  EXPECT_FALSE(root->Data().has_value());
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(users.TopVisible(), root);
  EXPECT_FALSE(users.Updating());
  for (int i = 0; i < root->Count(); ++i) {
    const TTreeNode* child = root->Item(i);
    EXPECT_TRUE(child->ShowsCheckBox());
    EXPECT_EQ(child->CheckState(), csUnchecked);
    const TUserNodeRec* rec = child->DataAs<TUserNodeRec>();
    ASSERT_TRUE(rec);
    EXPECT_EQ(UserNodeName(*rec), child->Text());
    EXPECT_EQ(rec->Position, i);
  }

  // The module list was written into a private temporary folder, read and deleted with the
  // folder; the program file was opened for reading with sharing allowed to everyone.
  EXPECT_EQ(ProgramFolder(), (std::vector<std::string>{"Setup.exe"}));
  EXPECT_EQ(TempLeft(), std::vector<std::string>{});
  const std::vector<std::string> want = {"open r deny-none C:\\Apps\\Setup.exe", "create <tmp>\\ILIST.QSP",
                                         "open r deny-write <tmp>\\ILIST.QSP", "delete <tmp>\\ILIST.QSP"};
  std::vector<std::string> seen;
  for (const std::string& line : files.log)
    if (line.find("\\Apps\\") != std::string::npos || line.find("<tmp>") != std::string::npos) seen.push_back(line);
  EXPECT_EQ(seen, want);
}

// A file named like the module list beside the program is the user's: start-up reads the payload's
// list and leaves that file as it was; a payload without a module list gives an empty tree.
TEST_F(WizardTest, ModuleListFileBesideTheProgramStays) {
  for (bool withList : {true, false}) {
    program.reset();
    InstallDesktop({});
    const std::string mine = ListFile({Module("C:\\x\\Stale.prc", "Stale")});
    WriteHostFile(dir.Path() / "Apps" / "ILIST.QSP", mine);
    auto model = BuiltInModel();
    if (withList) AddPackedFile(*model, "ilist.qsp", ListFile({Module("a\\Fresh.prc", "Fresh")}), "", false);
    WriteProgram(*model);
    ASSERT_TRUE(Start());
    const std::vector<std::string> want =
        withList ? std::vector<std::string>{"General", "  Fresh"} : std::vector<std::string>{};
    EXPECT_EQ(TreeShape(*form->Tree1), want);
    EXPECT_EQ(ReadHostFile(dir.Path() / "Apps" / "ILIST.QSP"), mine);
    EXPECT_EQ(ProgramFolder(), (std::vector<std::string>{"ILIST.QSP", "Setup.exe"}));
    EXPECT_EQ(TempLeft(), std::vector<std::string>{});
  }
}

// The payload starts exactly at the stub's length: one byte more or less spoils it.
TEST_F(WizardTest, PayloadStartsAtTheStubLength) {
  InstallDesktop({});
  auto model = BuiltInModel();
  model->SetCaption("Exact");
  std::vector<std::uint8_t> payload = FormBytes(*model);
  for (int shift : {0, 1, -1}) {
    program.reset();
    std::vector<std::uint8_t> bytes = payload;
    if (shift == 1) bytes.insert(bytes.begin(), 0);
    if (shift == -1) bytes.erase(bytes.begin());
    WriteProgram(bytes);
    if (shift != 0) backend.ExpectBox("invalid stream format.", kTitle, kErrorBoxFlags, kIdOk);
    ASSERT_TRUE(Start());
    EXPECT_EQ(program->App().Title(), shift == 0 ? "Exact" : kTitle) << shift;
  }
}

// The Palm Desktop question: built-in captions whatever the payload says, Yes/No with Yes as
// default; No posts a quit request and start-up still runs to its end.
TEST_F(WizardTest, DesktopMissingQuestion) {
  for (bool builtIn : {true, false}) {
    for (int answer : {kIdYes, kIdNo}) {
      SCOPED_TRACE(std::string(builtIn ? "built-in" : "payload") + (answer == kIdYes ? " yes" : " no"));
      program.reset();
      auto model = BuiltInModel();
      model->SetCaption("Payload title");
      model->idDesktopAsk->SetCaption("Payload question");
      model->idDesktop->SetCaption("Payload caption");
      WriteProgram(*model, builtIn ? "C:\\Apps\\quillset-setup.exe" : "C:\\Apps\\Setup.exe");
      backend.ExpectBox(kDesktopAsk, kDesktopCaption, 0x24, answer);
      // An action of "the user" once the window is up (a counter of this round only: an action
      // left in the queue runs in a later round).
      auto used = std::make_shared<int>(0);
      backend.onShow = [this, used](TForm&) { backend.Post([used] { ++*used; }); };
      ASSERT_TRUE(Start());
      ASSERT_EQ(backend.Boxes().size(), 1u);
      EXPECT_EQ(backend.Boxes()[0].owner, THeadlessBackend::Handle(form));
      // In payload mode the quit request is taken while pending messages are processed before
      // the payload is read; in built-in mode it waits for the event loop.
      EXPECT_EQ(program->App().Terminated(), answer == kIdNo && !builtIn);

      // Start-up ran to its end either way.
      EXPECT_EQ(form->Notebook1->PageIndex(), 0);
      EXPECT_EQ(TreeShape(*form->CkUserList), std::vector<std::string>{"Users"});
      EXPECT_EQ(program->App().Title(), builtIn ? "Installation" : "Payload title");

      EXPECT_EQ(program->Run(), 0);
      EXPECT_EQ(program->App().Terminated(), answer == kIdNo);
      // With No the program ends before the wizard can be used.
      EXPECT_EQ(*used, answer == kIdNo ? 0 : 1);
      backend.onShow = nullptr;
      backend.ClearRecords();
    }
  }
}

// The desktop is found through the second vendor key too: no question then.
TEST_F(WizardTest, NoQuestionWhenTheDesktopIsThere) {
  host.registry.SetString("Software\\Palm Computing\\Pilot Desktop\\Core", "Path", "C:\\Palm");
  host.platform.programPath = "C:\\Apps\\Quillset.exe";
  ASSERT_TRUE(Start());
  EXPECT_TRUE(backend.Boxes().empty());
  EXPECT_EQ(TreeShape(*form->CkUserList), std::vector<std::string>{"Users"});
}

// Every way start-up fails: the error box (message with its full stop, the start-up title, the
// stop icon), and start-up ends where it failed. A form that is still whole then works from its
// first page; of a form that broke off only Cancel is usable, and it ends the program (asking
// first when the form has the question's labels).
TEST_F(WizardTest, StartupFailuresShowTheErrorBoxAndStopThere) {
  enum Stage { BeforeStrip, AfterStrip, Partial, AfterPayload };
  struct Case {
    const char* name;
    std::function<void(WizardTest&)> prepare;
    std::string text;
    Stage stage;
    bool asks = false;  // Partial: what was read holds the question's labels
  };
  auto payload = [](std::function<void(TFormTools&)> change) {
    return [change](WizardTest& t) {
      auto model = BuiltInModel();
      model->SetCaption("Never shown");
      change(*model);
      t.WriteProgram(*model);
    };
  };
  const Case cases[] = {
      {"program file missing", [](WizardTest& t) { t.host.platform.programPath = "C:\\Apps\\Gone.exe"; },
       "Impossible d'ouvrir le fichier C:\\Apps\\Gone.exe.", BeforeStrip},
      {"no payload", [](WizardTest& t) { t.WriteProgram(std::vector<std::uint8_t>{}); }, "stream read error.",
       AfterStrip},
      {"bad stream",
       [](WizardTest& t) {
         t.WriteProgram(std::vector<std::uint8_t>{'P', 'K', 3, 4, 0, 0});
       },
       "invalid stream format.", AfterStrip},
      {"unknown class",
       [](WizardTest& t) {
         TMemoryStream s;
         TextToComponentStream("object FormTools: TFormTools\n  object Gadget1: TGadget\n  end\nend\n", s);
         t.WriteProgram(s.Bytes());
       },
       "class TGadget not found.", AfterStrip},
      {"payload cut in half",
       [](WizardTest& t) {
         auto bytes = FormBytes(*BuiltInModel());
         t.WriteProgram(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
       },
       "stream read error.", Partial},
      {"payload cut before its end",
       [](WizardTest& t) {
         auto bytes = FormBytes(*BuiltInModel());
         t.WriteProgram(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
       },
       "stream read error.", Partial, true},
      {"no temporary folder",
       [&payload](WizardTest& t) {
         payload([](TFormTools& m) { AddPackedFile(m, "ILIST.QSP", ListFile({Module("a.prc")})); })(t);
         t.host.files.SetTempDirectory("C:\\Missing");
       },
       "Impossible de cr\xE9"
       "er le fichier C:\\Missing\\.",
       AfterPayload},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    program.reset();
    host.files.SetTempDirectory("C:\\Temp");
    InstallDesktop({{"Ann", "Ann"}});
    c.prepare(*this);
    backend.ExpectBox(c.text, kTitle, kErrorBoxFlags, kIdOk);
    ASSERT_TRUE(Start());
    EXPECT_EQ(backend.Unmet(), "");
    // Page 0, the user tree, title and icon were not done.
    EXPECT_EQ(program->App().Title(), kTitle);
    EXPECT_EQ(backend.IconChanges(), 0);
    switch (c.stage) {
      case BeforeStrip:
      case AfterPayload:
        ASSERT_TRUE(form->Notebook1);
        EXPECT_EQ(form->CkUserList->Count(), 0);
        // The wizard works: page 0, Back disabled, Next leads on, Cancel asks.
        EXPECT_EQ(form->Notebook1->PageIndex(), 0);
        EXPECT_FALSE(form->BPrev->Enabled());
        form->DirectoryEdit1->SetText("C:\\Product");
        form->BNext->Click();
        EXPECT_GT(form->Notebook1->PageIndex(), 0);
        backend.ExpectBox(form->idExit->Caption(), form->idStop->Caption(), 0x124, kIdYes);
        form->BCancel->Click();
        break;
      case Partial: {
        ASSERT_TRUE(form->BNext && form->BCancel);
        int enabled = 0;
        for (int i = 0; i < form->ComponentCount(); ++i)
          if (auto* b = dynamic_cast<TButton*>(form->Component(i)); b && b->Enabled()) ++enabled;
        EXPECT_EQ(enabled, 1);
        EXPECT_TRUE(form->BCancel->Enabled());
        EXPECT_FALSE(PressEnter(*form));
        ASSERT_EQ(form->idExit && form->idStop, c.asks);
        if (c.asks) backend.ExpectBox(form->idExit->Caption(), form->idStop->Caption(), 0x124, kIdYes);
        form->BCancel->Click();
        break;
      }
      case AfterStrip:
        EXPECT_EQ(form->ComponentCount(), 0);
        EXPECT_FALSE(form->Notebook1);
        // The window opens anyway and the handlers cannot crash it.
        form->BNextClick(form);
        form->BPrevClick(form);
        form->Button1Click(form);
        form->BCancelClick(form);
        break;
    }
    EXPECT_EQ(program->Run(), 0);
    EXPECT_TRUE(program->App().Terminated());
    EXPECT_EQ(TempLeft(), std::vector<std::string>{});
    backend.ClearRecords();
  }
}

// A payload without a component the wizard works with (or with one of another kind) is refused
// with a message that names it, and the program ends instead of crashing later.
TEST_F(WizardTest, PayloadLackingComponentsIsRefused) {
  struct Case {
    std::function<void(TFormTools&)> change;
    std::string text;
  };
  const Case cases[] = {
      {[](TFormTools& m) { delete m.BNext.get(); },
       "The installation data cannot be used: it lacks the component BNext."},
      {[](TFormTools& m) {
         delete m.Tree1.get();
         delete m.idExit.get();
         delete m.PackFiles1.get();
       },
       "The installation data cannot be used: it lacks the components PackFiles1, Tree1, idExit."},
      {[](TFormTools& m) {
         TCheckBox* box = m.Copyright;
         auto* label = new TLabel(&m);
         label->SetParent(box->Parent());
         delete box;
         label->SetName("Copyright");
       },
       "The installation data cannot be used: its component Copyright is a TLabel, not a TCheckBox."},
      {[](TFormTools& m) {
         // The options move to the first page; the finish and option pages go.
         TPage* options = m.Notebook1->Page(7);
         const std::vector<TControl*> controls = options->Controls();
         for (TControl* c : controls) c->SetParent(m.Notebook1->Page(0));
         delete options;
         delete m.Notebook1->Page(6);
       },
       "The installation data cannot be used: its Notebook1 has 6 pages, not the 7 pages of the wizard."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    program.reset();
    InstallDesktop({{"Ann", "Ann"}});
    auto model = BuiltInModel();
    c.change(*model);
    WriteProgram(*model);
    model.reset();
    backend.ExpectBox(c.text, kTitle, kErrorBoxFlags, kIdOk);
    ASSERT_TRUE(Start());
    EXPECT_EQ(program->App().Title(), kTitle);
    // Whatever is left of the wizard is disabled and does nothing, but Cancel, which asks when the
    // form has the question's labels (the program ends anyway).
    for (TButton* button : {form->BNext.get(), form->Button1.get(), form->BPrev.get()})
      if (button) {
        EXPECT_FALSE(button->Enabled());
        button->Click();
      }
    if (form->idExit && form->idStop) backend.ExpectBox(form->idExit->Caption(), form->idStop->Caption(), 0x124, kIdNo);
    ASSERT_TRUE(form->BCancel);
    EXPECT_TRUE(form->BCancel->Enabled());
    form->BCancel->Click();
    EXPECT_EQ(program->Run(), 0);
    EXPECT_TRUE(program->App().Terminated());
    backend.ClearRecords();
  }
}

TEST_F(WizardTest, MemoWelcomeFollowsTheWelcomeOption) {
  for (bool welcome : {false, true})
    for (bool memoVisible : {false, true}) {
      program.reset();
      InstallDesktop({});
      auto model = BuiltInModel();
      model->Welcome->SetChecked(welcome);
      model->MemoWelcome->SetVisible(memoVisible);
      model->MemoWelcome->Lines().Add("Some welcome text");
      WriteProgram(*model);
      ASSERT_TRUE(Start());
      EXPECT_EQ(form->MemoWelcome->Visible(), welcome) << welcome << memoVisible;
    }
}

// The application icon comes from Image2 read as an icon; a picture that is no icon gives an
// empty icon.
TEST_F(WizardTest, ApplicationIconComesFromImage2) {
  for (bool icon : {true, false}) {
    program.reset();
    InstallDesktop({});
    auto model = BuiltInModel();
    if (!icon) model->Image2->Picture().Assign(model->Image1->Picture());  // the banner JPEG
    WriteProgram(*model);
    const int before = backend.IconChanges();
    ASSERT_TRUE(Start());
    EXPECT_EQ(backend.IconChanges(), before + 1);
    EXPECT_EQ(program->App().Icon().Empty(), !icon);
    if (icon) {
      EXPECT_EQ(program->App().Icon().Bytes(), form->Image2->Picture().Icon().Bytes());
      EXPECT_EQ(program->App().Icon().Width(), 32);
    }
    backend.ClearRecords();
  }
}

// The whole program through its entry: start-up, a scripted session, the end.
TEST_F(WizardTest, ProgramEntryRunsUntilQuit) {
  InstallDesktop({{"Ann", "Ann"}});
  auto model = BuiltInModel();
  model->SetCaption("Entry test");
  model->Copyright->SetChecked(true);
  WriteProgram(*model);
  model.reset();
  std::vector<int> pages;
  backend.onShow = [&](TForm& f) {
    auto& wizard = static_cast<TFormTools&>(f);
    EXPECT_EQ(backend.Title(), "Entry test");
    backend.Post([&wizard, &pages] {
      wizard.BNext->Click();
      pages.push_back(wizard.Notebook1->PageIndex());
    });
    backend.Post([&wizard] { wizard.BCancel->Click(); });
  };
  backend.ExpectBox("Are you sure you want to exit ? If you exit now your program will not installed.",
                    "Cancel installation ...", 0x124, kIdYes);
  EXPECT_EQ(SelfExt(backend, host.platform,
                    [](std::string_view name) {
                      return name == "TFORMTOOLS" ? BuiltInBytes() : std::vector<std::uint8_t>{};
                    }),
            0);
  EXPECT_EQ(pages, std::vector<int>{1});
  EXPECT_EQ(backend.ShownForms().size(), 1u);
  EXPECT_FALSE(HostSlot());
  EXPECT_EQ(ProgramFolder(), (std::vector<std::string>{"Setup.exe"}));
}

TEST_F(WizardTest, ProgramEntryWithoutBuiltInForm) {
  backend.ExpectBox("The program's built-in form TFORMTOOLS is missing.", kTitle, kErrorBoxFlags, kIdOk);
  EXPECT_EQ(SelfExt(backend, host.platform, [](std::string_view) { return std::vector<std::uint8_t>{}; }), 1);
  backend.ExpectBox("invalid stream format.", kTitle, kErrorBoxFlags, kIdOk);
  EXPECT_EQ(SelfExt(backend, host.platform,
                    [](std::string_view) {
                      return std::vector<std::uint8_t>{'x', 'y', 'z', 'w', 0};
                    }),
            1);
}

// The user list lives as long as the form: FormDestroy releases it, and so does the form itself
// when no OnDestroy is bound (what a leak checker sees in the sanitizer build).
TEST_F(WizardTest, UserListIsReleasedWithTheForm) {
  for (bool unbind : {false, true}) {
    program.reset();
    ASSERT_TRUE(StartBuiltIn({{"Ann", "Ann"}}));
    ASSERT_TRUE(TFormToolsAccess::UserData(*form));
    if (unbind) {
      form->OnDestroy = {};
    } else {
      form->FormDestroy(form);
      EXPECT_FALSE(TFormToolsAccess::UserData(*form));
    }
  }
}

}  // namespace
}  // namespace qs::test
