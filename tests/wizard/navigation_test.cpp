// The wizard's buttons: the page transitions with the three options, the two input checks, Back
// and Next enabling, Cancel and Quit, Select all / Unselect all, and Enter.
#include <gtest/gtest.h>

#include <optional>

#include "wizard/moduletree.h"
#include "wizard_fixture.h"

namespace qs::test {
namespace {

constexpr const char* kDirectoryError = "Directory is empty. Please indicate a directory.";
constexpr const char* kDirectoryCaption = "Parameter information";
constexpr const char* kUserError = "You must select at once one user.";
constexpr const char* kUserCaption = "User selection";
constexpr const char* kExitText = "Are you sure you want to exit ? If you exit now your program will not installed.";
constexpr const char* kExitCaption = "Cancel installation ...";

enum Press { Next, Back };

// A payload with two groups of modules and the Palm Desktop with two users; options and the
// directory are set on the running form (the wizard reads them afresh at every press).
class NavigationTest : public WizardTest {
 public:
  void StartPayload(std::vector<std::pair<std::string, std::string>> users = {{"Ann", "Ann"}, {"Bob", "Bob"}}) {
    InstallDesktop(users);
    auto model = BuiltInModel();
    AddPackedFile(*model, "ILIST.QSP",
                  ListFile({Module("C:\\b\\App.prc", "App", "Handheld"), Module("C:\\b\\Tool.exe", "Tool", "PC"),
                            Module("C:\\b\\Data.pdb", "", "Handheld")}));
    WriteProgram(*model);
    ASSERT_TRUE(Start());
  }
  void Options(bool copyright, bool showDirectory, bool autoFirstUser) {
    form->Copyright->SetChecked(copyright);
    form->CKDisplaySelectDirectory->SetChecked(showDirectory);
    form->AutoInstallFirstUser->SetChecked(autoFirstUser);
  }
  void GoTo(int page) {
    form->Notebook1->SetPageIndex(page);
    form->BPrev->SetEnabled(page > 0);
  }
  int Page() const { return form->Notebook1->PageIndex(); }
  void CheckUser(int i, bool checked = true) {
    form->CkUserList->TopItem(0)->Item(i)->SetCheckState(checked ? csChecked : csUnchecked);
  }
};

TEST_F(NavigationTest, TransitionTable) {
  struct Row {
    int from;
    Press press;
    bool copyright, showDirectory, autoFirstUser;
    std::string directory;
    bool userChecked;
    int to;
    std::optional<std::pair<std::string, std::string>> box;  // error box text and caption
  };
  const std::pair<std::string, std::string> dirBox{kDirectoryError, kDirectoryCaption};
  const std::pair<std::string, std::string> userBox{kUserError, kUserCaption};
  const Row rows[] = {
      {0, Next, true, false, false, "C:\\App", false, 1, {}},
      {0, Next, true, true, false, "", false, 1, {}},
      {0, Next, false, true, false, "", false, 2, {}},
      {1, Next, true, true, false, "", false, 2, {}},
      {1, Next, true, false, false, "C:\\App", false, 3, {}},
      {1, Next, true, false, false, "", false, 2, dirBox},
      {1, Next, true, false, false, " \t\r\n\x01 ", false, 2, dirBox},  // codes 0 to 32 only: empty
      {2, Next, true, true, false, "", false, 2, dirBox},
      {2, Next, true, true, false, "   ", false, 2, dirBox},
      {2, Next, true, true, false, "C:\\App", false, 3, {}},
      {2, Next, true, true, false, " x ", false, 3, {}},
      {3, Next, true, true, false, "C:\\App", false, 4, {}},
      {3, Next, true, true, true, "C:\\App", false, 6, {}},  // 5, the run, then 6
      {4, Next, true, true, false, "C:\\App", false, 4, userBox},
      {4, Next, true, true, false, "C:\\App", true, 6, {}},  // 5, the run, then 6
      {1, Back, true, true, false, "", false, 0, {}},
      {1, Back, false, true, false, "", false, 0, {}},
      {2, Back, true, true, false, "", false, 1, {}},
      {2, Back, false, true, false, "", false, 0, {}},
      {3, Back, true, true, false, "", false, 2, {}},
      {3, Back, true, true, true, "", false, 2, {}},
      {3, Back, true, false, false, "", false, 1, {}},
      {3, Back, true, false, true, "", false, 1, {}},
      {4, Back, true, true, false, "", false, 3, {}},
      {4, Back, true, true, true, "", false, 3, {}},
      {5, Back, true, true, true, "", false, 3, {}},  // Back past a skipped user page
      {5, Back, true, true, false, "", false, 4, {}},
      {6, Back, true, true, false, "", false, 5, {}},
  };
  StartPayload();
  for (const Row& r : rows) {
    SCOPED_TRACE("from " + std::to_string(r.from) + (r.press == Next ? " Next" : " Back") +
                 " copyright=" + std::to_string(r.copyright) + " directory page=" + std::to_string(r.showDirectory) +
                 " auto=" + std::to_string(r.autoFirstUser) + " directory='" + r.directory + "'");
    Options(r.copyright, r.showDirectory, r.autoFirstUser);
    form->DirectoryEdit1->SetText(r.directory);
    CheckUser(0, r.userChecked);
    form->BCancel->SetCaption("Ca&ncel");
    GoTo(r.from);
    form->BNext->SetEnabled(true);
    if (r.box) backend.ExpectBox(r.box->first, r.box->second, kErrorBoxFlags, kIdOk);
    const std::size_t boxes = backend.Boxes().size();
    (r.press == Next ? form->BNext : form->BPrev)->Click();
    EXPECT_EQ(Page(), r.to);
    EXPECT_EQ(backend.Boxes().size(), boxes + (r.box ? 1 : 0));
    if (r.box) {
      EXPECT_EQ(backend.Boxes().back().owner, THeadlessBackend::Handle(form));
    }
    EXPECT_EQ(backend.Unmet(), "");
    // Back and Next enabling.
    if (r.to == 6 && r.press == Next) {
      EXPECT_FALSE(form->BPrev->Enabled());
      EXPECT_FALSE(form->BNext->Enabled());
      EXPECT_EQ(form->BCancel->Caption(), "&Quit");
    } else {
      EXPECT_EQ(form->BCancel->Caption(), "Ca&ncel");
      EXPECT_TRUE(form->BNext->Enabled());
      if (r.press == Next && r.from < 4 && !r.box) {
        EXPECT_TRUE(form->BPrev->Enabled());
      }
      if (r.to == 0) {
        EXPECT_FALSE(form->BPrev->Enabled());
      }
      if (r.press == Back && r.to > 0) {
        EXPECT_TRUE(form->BPrev->Enabled());
      }
    }
  }
}

// With both the licence and the directory page hidden, Next from Welcome passes on through the
// directory page (checking the directory) and Back from SelectModule goes back to Welcome.
TEST_F(NavigationTest, BothPagesHidden) {
  StartPayload();
  Options(false, false, false);
  form->DirectoryEdit1->SetText("C:\\Apps\\Acme");
  form->BNext->Click();
  EXPECT_EQ(Page(), 3);
  EXPECT_TRUE(form->BPrev->Enabled());
  form->BPrev->Click();
  EXPECT_EQ(Page(), 0);
  EXPECT_FALSE(form->BPrev->Enabled());

  form->DirectoryEdit1->SetText("  ");
  backend.ExpectBox(kDirectoryError, kDirectoryCaption, kErrorBoxFlags, kIdOk);
  form->BNext->Click();
  EXPECT_EQ(Page(), 2);  // shown with the error, so a directory can be typed
  form->DirectoryEdit1->SetText("D:\\");
  form->BNext->Click();
  EXPECT_EQ(Page(), 3);
  form->BPrev->Click();
  EXPECT_EQ(Page(), 0);
}

// A whole session through the pages with every option shown.
TEST_F(NavigationTest, FullWalkAndButtonStates) {
  StartPayload();
  Options(true, true, false);
  form->DirectoryEdit1->SetText("C:\\Acme");
  EXPECT_FALSE(form->BPrev->Enabled());
  std::vector<int> pages;
  for (int i = 0; i < 4; ++i) {
    form->BNext->Click();
    pages.push_back(Page());
  }
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_TRUE(form->BPrev->Enabled());
  for (int i = 0; i < 4; ++i) form->BPrev->Click();
  EXPECT_EQ(Page(), 0);
  EXPECT_FALSE(form->BPrev->Enabled());
  form->BPrev->Click();  // nothing before Welcome
  EXPECT_EQ(Page(), 0);
  for (int i = 0; i < 4; ++i) form->BNext->Click();
  CheckUser(1);
  backend.ShowForm(*form);  // the window is up: repaints reach the backend
  backend.ClearRecords();
  form->BNext->Click();
  EXPECT_EQ(Page(), 6);
  EXPECT_GE(backend.Repaints(form->Notebook1), 1);  // the Installation page was painted first
  EXPECT_FALSE(form->BPrev->Enabled());
  EXPECT_FALSE(form->BNext->Enabled());
  EXPECT_EQ(form->BCancel->Caption(), "&Quit");
  form->BNext->Click();  // a further Next (by the run, say) stays on Finish
  EXPECT_EQ(Page(), 6);
  EXPECT_FALSE(form->BPrev->Enabled());
  EXPECT_EQ(form->BCancel->Caption(), "&Quit");
}

// Back and Next are disabled on the Installation page while the run is active; the run's own
// final Next then takes the wizard to Finish.
TEST_F(NavigationTest, BackAndNextAreBlockedDuringTheRun) {
  StartPayload();
  Options(true, true, true);
  form->DirectoryEdit1->SetText("C:\\Acme");
  GoTo(3);
  // Record the states of Back and Next whenever they change while the Installation page shows.
  std::vector<std::string> onInstallation;
  TControlBackend* previous = form->BNext->Backend();
  struct Spy : TControlBackend {
    TFormTools* form;
    std::vector<std::string>* log;
    void Changed(TControl& c, Change what) override {
      if (what == Change::Enabled && form->Notebook1->PageIndex() == 5)
        log->push_back(c.Name() + (c.Enabled() ? " on" : " off"));
    }
    void TreeChanged(TTreeNT&, TTreeNode*, TreeChange) override {}
    void ControlAdded(TControl&) override {}
    void Repaint(TControl&) override {}
    void Destroying(TControl&) override {}
  } spy;
  spy.form = form;
  spy.log = &onInstallation;
  form->BNext->SetBackend(&spy);
  form->BPrev->SetBackend(&spy);
  form->BNext->Click();
  form->BNext->SetBackend(previous);
  form->BPrev->SetBackend(previous);
  EXPECT_EQ(Page(), 6);
  ASSERT_GE(onInstallation.size(), 2u);
  EXPECT_EQ(onInstallation[0], "BPrev off");
  EXPECT_EQ(onInstallation[1], "BNext off");
}

// A run that ends with an error leaves the wizard on the Installation page with Back and Next
// usable again, as they were before the run.
TEST_F(NavigationTest, FailedRunLeavesTheButtonsUsable) {
  StartPayload();
  Options(true, true, true);
  form->DirectoryEdit1->SetText("C:\\Acme");
  GoTo(3);
  form->Button1->Click();                      // every module, among them C:\b\Tool.exe
  host.files.SetTempDirectory("C:\\Missing");  // no temporary copy can be made
  backend.ExpectBox(
      "Impossible de cr\xE9"
      "er le fichier C:\\Missing\\.",
      "Installation", kErrorBoxFlags, kIdOk);
  program->App().Guard([this] { form->BNext->Click(); });
  EXPECT_EQ(Page(), 5);
  EXPECT_TRUE(form->BPrev->Enabled());
  EXPECT_TRUE(form->BNext->Enabled());
  EXPECT_EQ(form->BCancel->Caption(), "Ca&ncel");
  form->BPrev->Click();
  EXPECT_EQ(Page(), 3);
}

TEST_F(NavigationTest, NoUsersMeansNoWayPastTheUserPage) {
  StartPayload({});
  EXPECT_EQ(TreeShape(*form->CkUserList), std::vector<std::string>{"Users"});
  Options(true, true, false);
  form->DirectoryEdit1->SetText("C:\\Acme");
  GoTo(4);
  form->Button1Click(form);  // Select all finds nobody to check
  backend.ExpectBox(kUserError, kUserCaption, kErrorBoxFlags, kIdOk);
  form->BNext->Click();
  EXPECT_EQ(Page(), 4);
  // Unless the first user is installed for without asking.
  form->AutoInstallFirstUser->SetChecked(true);
  GoTo(3);
  form->BNext->Click();
  EXPECT_EQ(Page(), 6);
}

// Only a checked child counts as a chosen user; a partly checked state does not.
TEST_F(NavigationTest, UserCheckLooksForACheckedChild) {
  StartPayload();
  Options(true, true, false);
  GoTo(4);
  form->CkUserList->TopItem(0)->Item(0)->SetCheckState(csPartly);
  backend.ExpectBox(kUserError, kUserCaption, kErrorBoxFlags, kIdOk);
  form->BNext->Click();
  EXPECT_EQ(Page(), 4);
  CheckUser(1);
  form->BNext->Click();
  EXPECT_EQ(Page(), 6);
}

TEST_F(NavigationTest, SelectAllAndUnselectAll) {
  StartPayload();
  auto states = [](const TTreeNT& tree) {
    std::string s;
    for (int i = 0; i < tree.Count(); ++i) s += static_cast<char>('0' + tree.Item(i)->CheckState());
    return s;
  };
  ASSERT_EQ(TreeShape(*form->Tree1), (std::vector<std::string>{"Handheld", "  App", "  Data.pdb", "PC", "  Tool"}));
  // Page 3: the module tree; group nodes stay as they are.
  GoTo(3);
  form->Button1->Click();
  EXPECT_EQ(states(*form->Tree1), "01101");
  EXPECT_EQ(states(*form->CkUserList), "000");
  form->Button2->Click();
  EXPECT_EQ(states(*form->Tree1), "00000");
  form->Tree1->Item(2)->SetCheckState(csPartly);
  form->Button1->Click();
  EXPECT_EQ(states(*form->Tree1), "01101");
  EXPECT_FALSE(form->Tree1->Updating());
  // Page 4 (its own buttons, the same handlers): the user tree; "Users" stays as it is.
  GoTo(4);
  form->Button3->Click();
  EXPECT_EQ(states(*form->CkUserList), "011");
  EXPECT_EQ(states(*form->Tree1), "01101");
  form->Button4->Click();
  EXPECT_EQ(states(*form->CkUserList), "000");
  EXPECT_EQ(states(*form->Tree1), "01101");
  // Any page other than 3 works on the user tree.
  GoTo(0);
  form->Button1Click(form);
  EXPECT_EQ(states(*form->CkUserList), "011");
  EXPECT_EQ(backend.TreeChanges(form->CkUserList, TreeChange::BeginUpdate),
            backend.TreeChanges(form->CkUserList, TreeChange::EndUpdate));
}

// Cancel asks on pages 0 to 5 (No is the default button) and quits only on Yes; on Finish the same
// button reads "&Quit" and quits without asking.
TEST_F(NavigationTest, CancelAndQuit) {
  for (int page = 0; page <= 6; ++page) {
    for (int answer : {kIdNo, kIdYes}) {
      if (page == 6 && answer == kIdNo) continue;
      SCOPED_TRACE("page " + std::to_string(page) + (answer == kIdYes ? " yes" : " no"));
      program.reset();
      StartPayload();
      GoTo(page);
      if (page < 6) backend.ExpectBox(kExitText, kExitCaption, 0x124, answer);
      const std::size_t boxes = backend.Boxes().size();
      form->BCancel->Click();
      EXPECT_EQ(backend.Boxes().size(), boxes + (page < 6 ? 1 : 0));
      EXPECT_EQ(Page(), page);
      program->App().ProcessMessages();
      EXPECT_EQ(program->App().Terminated(), answer == kIdYes);
    }
  }
}

// The quit button of the Finish page, reached by navigation, ends the program's event loop.
TEST_F(NavigationTest, QuitOnFinishEndsTheProgram) {
  StartPayload();
  Options(true, true, true);
  form->DirectoryEdit1->SetText("C:\\Acme");
  GoTo(3);
  form->BNext->Click();
  ASSERT_EQ(form->BCancel->Caption(), "&Quit");
  int after = 0;
  backend.onShow = [&](TForm&) {
    backend.Post([this] { form->BCancel->Click(); });
    backend.Post([&after] { ++after; });
  };
  EXPECT_EQ(program->Run(), 0);
  EXPECT_TRUE(program->App().Terminated());
  EXPECT_EQ(after, 1);  // queued before the quit request
}

// Enter presses the default button: Next on every page before Finish, nothing on Finish.
TEST_F(NavigationTest, EnterPressesNext) {
  StartPayload();
  Options(true, true, false);
  form->DirectoryEdit1->SetText("C:\\Acme");
  CheckUser(0);
  std::vector<int> pages;
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(PressEnter(*form)) << i;
    pages.push_back(Page());
  }
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 4, 6}));
  EXPECT_FALSE(PressEnter(*form));
  EXPECT_EQ(Page(), 6);
}

// A message label longer than the message buffers is cut to 1,023 bytes; shorter ones are whole.
TEST_F(NavigationTest, LongMessageTextsAreCut) {
  const struct {
    std::size_t length;
    std::size_t shown;
  } cases[] = {{0, 0}, {1022, 1022}, {1023, 1023}, {1024, 1023}, {5000, 1023}};
  StartPayload();
  for (const auto& c : cases) {
    std::string text(c.length, 'x');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    form->idExit->SetCaption(text);
    form->idStop->SetCaption(std::string(c.length, 'C'));
    backend.ExpectBox(text.substr(0, c.shown), std::string(c.shown, 'C'), 0x124, kIdNo);
    form->BCancel->Click();
    EXPECT_EQ(TFormToolsAccess::MsgText(*form), text.substr(0, c.shown));
    EXPECT_EQ(TFormToolsAccess::MsgCaption(*form).size(), c.shown);
  }
}

}  // namespace
}  // namespace qs::test
