// The installation run, headless, over the portable platform: whole installations from the Next
// press on the user page (or the module page) to the Finish page, with the files, registry flags,
// links and started programs they leave, and the runs that end with the standard error box.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "palm/autoinst.h"
#include "platform/portable/processes_portable.h"
#include "platform/portable/shelllinks_portable.h"
#include "wizard_fixture.h"

namespace qs::test {
namespace {

constexpr const char* kProgramsKey = "Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kHotSyncKey = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";

// Creates, copies and deletes of the run, in order, on top of the wizard fixture's file system
// (the private temporary folder written as "<tmp>").
class TracingFiles : public IFileSystem {
 public:
  TracingFiles(IFileSystem& inner, std::vector<std::string>& log) : inner_(inner), log_(log) {}
  std::function<void(const std::string&)> onCreate;  // before the file is created

  std::unique_ptr<IFile> Open(const std::string& p, bool w, ShareMode s) override { return inner_.Open(p, w, s); }
  std::unique_ptr<IFile> Create(const std::string& path) override {
    if (onCreate) onCreate(path);
    log_.push_back("create " + MaskTemp(path));
    return inner_.Create(path);
  }
  bool Delete(const std::string& path) override {
    log_.push_back("delete " + MaskTemp(path));
    return inner_.Delete(path);
  }
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    log_.push_back("copy " + MaskTemp(from) + " > " + MaskTemp(to));
    return inner_.Copy(from, to, failIfExists);
  }
  bool CreateDirectory(const std::string& p) override { return inner_.CreateDirectory(p); }
  bool ForceDirectories(const std::string& p) override { return inner_.ForceDirectories(p); }
  std::uint32_t Attributes(const std::string& p) override { return inner_.Attributes(p); }
  bool RemoveDirectory(const std::string& p) override { return inner_.RemoveDirectory(p); }
  std::string TempDirectory() override { return inner_.TempDirectory(); }

 private:
  IFileSystem& inner_;
  std::vector<std::string>& log_;
};

// Starts go into the same log; the handle of each started program is kept.
class TracingProcesses : public RecordingProcesses {
 public:
  explicit TracingProcesses(std::vector<std::string>& log) : log_(log) {}
  std::function<void(const std::string&)> onStart;
  std::vector<Handle> handles;
  bool StartProcess(const std::string& commandLine, std::uint32_t flags, const StartupRecord& startup,
                    ProcessRecord& process) override {
    if (onStart) onStart(commandLine);
    log_.push_back("start " + MaskTemp(commandLine));
    bool ok = RecordingProcesses::StartProcess(commandLine, flags, startup, process);
    handles.push_back(ok ? process.process : 0);
    return ok;
  }

 private:
  std::vector<std::string>& log_;
};

class InstallRunTest : public WizardTest {
 public:
  InstallRunTest() : trace(files, log), processes(log) {
    host.files.MapDrive('D', ddir.Path());
    host.platform.files = &trace;
    host.platform.processes = &processes;
    host.platform.shellLinks = &links;
    host.registry.SetString(kProgramsKey, "Programs", "C:\\Menu");
    std::filesystem::create_directories(dir.Path() / "Menu");
  }

  // The Palm Desktop with these users (their folders exist) and its HotSync Manager key; a payload
  // with the modules and packed files; the program started; every module and user checked.
  void StartInstaller(const std::vector<TModuleRec>& modules,
                      const std::vector<std::pair<std::string, std::string>>& packed,
                      std::vector<std::string> users = {"Ann", "Bob"}) {
    std::vector<std::pair<std::string, std::string>> desktop;
    for (const auto& u : users) {
      desktop.emplace_back(u, u);
      std::filesystem::create_directories(dir.Path() / "Palm" / u);
    }
    InstallDesktop(desktop);
    RegKey key = 0;
    host.registry.CreateKey(kHKCU, kHotSyncKey, key);
    host.registry.CloseKey(key);
    auto model = BuiltInModel();
    AddPackedFile(*model, "ILIST.QSP", ListFile(modules));
    for (const auto& [name, bytes] : packed) AddPackedFile(*model, name, bytes);
    WriteProgram(*model, programAt);
    ASSERT_TRUE(Start());
    backend.ShowForm(*form);  // as the event loop does: the controls report to the backend
    for (int i = 0; i < form->Tree1->Count(); ++i) form->Tree1->Item(i)->SetCheckState(csChecked);
    for (int i = 0; i < form->CkUserList->Count(); ++i) form->CkUserList->Item(i)->SetCheckState(csChecked);
    form->DirectoryEdit1->SetText("D:\\Apps");
    log.clear();
  }

  // Next on the user page (the module page when the user page is skipped), as the user presses
  // it: through the event loop, so an error reaches the standard error box.
  void Install() {
    form->Notebook1->SetPageIndex(form->AutoInstallFirstUser->Checked() ? 3 : 4);
    backend.Post([this] { form->BNext->Click(); });
    program->App().ProcessMessages();
  }
  // The run ends with this error box (the full-stop rule applied; the caption is the application's
  // title, which start-up took from the form's caption) and the wizard stays on page 5.
  void InstallFails(const std::string& text) {
    backend.ExpectBox(text, "Installation", kMbOk | kMbIconError, kIdOk);
    Install();
    EXPECT_EQ(form->Notebook1->PageIndex(), 5);
    EXPECT_TRUE(form->BNext->Enabled());
  }

  std::string Read(const std::string& path) {
    auto p = host.files.HostPath(path);
    if (!p || !std::filesystem::is_regular_file(*p)) return "<none>";
    std::ifstream in(*p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : log)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }
  std::optional<std::uint32_t> InstallFlag(int number) {
    auto v = host.registry.Value(kHotSyncKey, "Install" + std::to_string(number));
    if (!v || v->type != kRegDword || v->data.size() != 4) return std::nullopt;
    return v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) | (static_cast<std::uint32_t>(v->data[3]) << 24);
  }

  TempDir ddir;
  std::string programAt = "C:\\Apps\\Setup.exe";
  std::vector<std::string> log;
  TracingFiles trace;
  TracingProcesses processes;
  RecordingShellLinks links;
};

// Two users and three modules: every module once per user, in tree order.
TEST_F(InstallRunTest, TwoUsersThreeModules) {
  StartInstaller({Module("C:\\src\\App.prc", "", "Handheld"), Module("C:\\src\\Tool.exe", "Tool", "PC", 1, 1, "Suite"),
                  Module("C:\\src\\Conf.exe", "", "PC", 2)},
                 {{"APP.PRC", "app"}, {"Tool.exe", "tool"}, {"conf.exe", "conf"}});
  std::vector<std::string> seen;  // user, module and bar at each temporary copy
  trace.onCreate = [&](const std::string& path) {
    if (MaskTemp(path).rfind("<tmp>", 0) == 0)
      seen.push_back(form->LbUser->Caption() + " " + form->LabelInfo->Caption() + " " +
                     std::to_string(form->ProgressBar1->Position()));
  };
  std::vector<bool> tempGoneAtStart;
  processes.onStart = [&](const std::string&) {
    const auto left = TempLeft();  // the private folder alone
    tempGoneAtStart.push_back(left.size() == 1 && left[0].rfind("QS", 0) == 0);
  };
  backend.ClearRecords();
  Install();

  EXPECT_EQ(seen,
            (std::vector<std::string>{"Ann C:\\src\\App.prc 0", "Ann C:\\src\\Tool.exe 0", "Ann C:\\src\\Conf.exe 1",
                                      "Bob C:\\src\\App.prc 2", "Bob C:\\src\\Tool.exe 2", "Bob C:\\src\\Conf.exe 2"}));
  EXPECT_EQ(form->ProgressBar1->Min(), 0);
  EXPECT_EQ(form->ProgressBar1->Max(), 2);
  EXPECT_EQ(form->ProgressBar1->Position(), 2);
  EXPECT_EQ(backend.Repaints(form->ProgressBar1), 7);
  EXPECT_EQ(backend.Repaints(form->LabelInfo), 6);
  EXPECT_EQ(backend.Repaints(form->LbUser), 2);

  // Handheld: queued once per user, never in the destination.
  EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\App.prc"), "app");
  EXPECT_EQ(Read("C:\\Palm\\Bob\\Install\\App.prc"), "app");
  EXPECT_EQ(InstallFlag(1), 1u);
  EXPECT_EQ(InstallFlag(2), 1u);
  EXPECT_EQ(Read("D:\\Apps\\App.prc"), "<none>");
  // PC: written, linked and run twice; Tool is not waited for, Conf is.
  EXPECT_EQ(Read("D:\\Apps\\Tool.exe"), "tool");
  EXPECT_EQ(Read("D:\\Apps\\Conf.exe"), "conf");
  EXPECT_EQ(Logged("create D:"), (std::vector<std::string>{"create D:\\Apps\\Tool.exe", "create D:\\Apps\\Conf.exe",
                                                           "create D:\\Apps\\Tool.exe", "create D:\\Apps\\Conf.exe"}));
  ASSERT_EQ(links.SavedFiles(), (std::vector<std::string>(2, "C:\\Menu\\Suite\\Tool.lnk")));
  EXPECT_EQ(links.saves[1].path, "D:\\Apps\\Tool.exe");
  EXPECT_EQ(links.saves[1].arguments, "");
  EXPECT_EQ(links.saves[1].workingDirectory, "");
  EXPECT_EQ(Logged("start"), (std::vector<std::string>{"start D:\\Apps\\Tool.exe ", "start D:\\Apps\\Conf.exe ",
                                                       "start D:\\Apps\\Tool.exe ", "start D:\\Apps\\Conf.exe "}));
  ASSERT_EQ(processes.handles.size(), 4u);
  EXPECT_TRUE(processes.Running(processes.handles[0]));
  EXPECT_FALSE(processes.Running(processes.handles[1]));
  EXPECT_TRUE(processes.Running(processes.handles[2]));
  EXPECT_FALSE(processes.Running(processes.handles[3]));
  EXPECT_EQ(tempGoneAtStart, std::vector<bool>(4, true));  // the temporary copy went first

  EXPECT_EQ(form->Notebook1->PageIndex(), 6);
  EXPECT_EQ(form->BCancel->Caption(), "&Quit");
  EXPECT_EQ(ProgramFolder(), std::vector<std::string>{"Setup.exe"});
  EXPECT_EQ(TempLeft(), std::vector<std::string>{});
  EXPECT_TRUE(backend.Boxes().empty());
}

// Which modules are handheld files (the whole upper-cased path counts) and what each Action does.
struct KindRow {
  const char* source;
  std::int32_t action;
  bool queued, installed;
  const char* run;  // "", "no wait" or "wait"
};
void PrintTo(const KindRow& r, std::ostream* os) { *os << r.source << " action " << r.action; }

class ModuleKindTest : public InstallRunTest, public ::testing::WithParamInterface<KindRow> {};

TEST_P(ModuleKindTest, QueuedInstalledRun) {
  const KindRow& r = GetParam();
  const std::string name = FileNamePart(r.source);
  StartInstaller({Module(r.source, "", "G", r.action)}, {{UpperAZ(name), "bytes"}}, {"Ann"});
  Install();
  EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\" + name), r.queued ? "bytes" : "<none>");
  EXPECT_EQ(Read("D:\\Apps\\" + name), r.installed ? "bytes" : "<none>");
  EXPECT_EQ(Logged("create D:").size(), r.installed ? 1u : 0u);  // no second copy for Action 3
  const std::string run = r.run;
  ASSERT_EQ(processes.starts.size(), run.empty() ? 0u : 1u);
  if (!run.empty()) {
    EXPECT_EQ(processes.starts[0].commandLine, "D:\\Apps\\" + name + " ");
    EXPECT_EQ(processes.Running(processes.handles[0]), run == "no wait");
    EXPECT_EQ(form->ExecFile1->Wait, run == "wait");
  }
  if (!r.queued) {
    EXPECT_EQ(form->ExecFile1->CommandLine, "D:\\Apps\\" + name);
  }
  EXPECT_EQ(form->Notebook1->PageIndex(), 6);
  EXPECT_EQ(ProgramFolder(), std::vector<std::string>{"Setup.exe"});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ModuleKindTest,
    ::testing::Values(KindRow{"C:\\s\\App.prc", 0, true, false, ""}, KindRow{"C:\\s\\App.prc", 1, true, false, ""},
                      KindRow{"C:\\s\\App.prc", 2, true, false, ""}, KindRow{"C:\\s\\App.prc", 3, true, true, ""},
                      KindRow{"C:\\s\\low.prc", 0, true, false, ""}, KindRow{"C:\\s\\Base.Pdb", 0, true, false, ""},
                      KindRow{"C:\\Data.PDB\\readme.txt", 0, true, false, ""},
                      KindRow{"C:\\s\\a.prcx", 3, true, true, ""},  // ".PRC" anywhere, not only at the end
                      KindRow{"C:\\s\\prc.exe", 0, false, true, ""}, KindRow{"C:\\s\\Tool.exe", 0, false, true, ""},
                      KindRow{"C:\\s\\Tool.exe", 1, false, true, "no wait"},
                      KindRow{"C:\\s\\Tool.exe", 2, false, true, "wait"},
                      KindRow{"C:\\s\\Tool.exe", 3, false, true, ""}, KindRow{"C:\\s\\Tool.exe", 4, false, true, ""},
                      KindRow{"C:\\s\\Tool.exe", -1, false, true, ""},
                      KindRow{"C:\\s\\Tool.exe", 0x7FFFFFFF, false, true, ""}));

// The destination directory as the user typed it, completed with a separator.
struct DestinationRow {
  const char* text;
  const char* installed;
};
void PrintTo(const DestinationRow& r, std::ostream* os) { *os << '"' << r.text << '"'; }

class DestinationTest : public InstallRunTest, public ::testing::WithParamInterface<DestinationRow> {};

TEST_P(DestinationTest, InstalledFilePath) {
  StartInstaller({Module("C:\\s\\Tool.exe", "", "G", 1)}, {{"TOOL.EXE", "tool"}}, {"Ann"});
  form->DirectoryEdit1->SetText(GetParam().text);
  Install();
  EXPECT_EQ(form->ExecFile1->CommandLine, GetParam().installed);
  EXPECT_EQ(Read(GetParam().installed), "tool");
  EXPECT_EQ(form->Notebook1->PageIndex(), 6);
}

INSTANTIATE_TEST_SUITE_P(Forms, DestinationTest,
                         ::testing::Values(DestinationRow{"C", "C:\\Tool.exe"}, DestinationRow{"d", "d:\\Tool.exe"},
                                           DestinationRow{"C:", "C:Tool.exe"},  // drive-relative, as typed
                                           DestinationRow{"D:\\Apps", "D:\\Apps\\Tool.exe"},
                                           DestinationRow{"D:\\Apps\\", "D:\\Apps\\Tool.exe"},
                                           DestinationRow{"D:\\New\\Deep\\Dir", "D:\\New\\Deep\\Dir\\Tool.exe"}));

// Links: the group folder is made one level deep; a blank title links under the module's file
// name; a title or group that the file system cannot hold, or that would leave the Programs
// folder, gives no link and no message.
TEST_F(InstallRunTest, Shortcuts) {
  const struct {
    const char* title;
    const char* group;
    std::int32_t makeShortcut;
    const char* link;  // the link saved; nullptr: none
    bool folder;       // the group folder exists afterwards
  } rows[] = {
      {"Tool", "Suite", 1, "C:\\Menu\\Suite\\Tool.lnk", true},
      {"Tool", "", 1, "C:\\Menu\\\\Tool.lnk", true},
      {"", "Suite", 1, "C:\\Menu\\Suite\\Tool.exe.lnk", true},  // a blank title: the name the tree shows
      {" ", "..\\Startup", 1, nullptr, false},
      {"Tool", "Suite\\Sub", 1, "C:\\Menu\\Suite\\Sub\\Tool.lnk", false},  // the parent group is missing
      {"Tool", "Games\\Sub", 1, "C:\\Menu\\Games\\Sub\\Tool.lnk", true},
      {"Tool", "Suite", 0, nullptr, false},
      {"Tool", "Suite", 2, nullptr, false},
      {"a?b", "Suite", 1, nullptr, false},
      {"..\\..\\Tool", "Suite", 1, nullptr, false},
      {"Tool", "..\\..\\Startup", 1, nullptr, false},
      {"Tool", "C:\\Startup", 1, nullptr, false},
      {"Tool", "Suite\\..\\..", 1, nullptr, false},
      {"Tool", "a/b", 1, nullptr, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.title) + " | " + r.group);
    program.reset();
    links.saves.clear();
    std::filesystem::remove_all(dir.Path() / "Menu");
    std::filesystem::create_directories(dir.Path() / "Menu" / "Games");
    std::filesystem::remove_all(ddir.Path() / "Apps");
    StartInstaller({Module("C:\\s\\Tool.exe", r.title, "G", 0, r.makeShortcut, r.group)}, {{"TOOL.EXE", "t"}}, {"Ann"});
    Install();
    EXPECT_EQ(links.SavedFiles(), r.link ? std::vector<std::string>{r.link} : std::vector<std::string>{});
    if (r.link && !links.saves.empty()) {
      EXPECT_EQ(links.saves[0].path, "D:\\Apps\\Tool.exe");
    }
    if (r.link && *r.group) {
      EXPECT_EQ(HostFileExists(std::string("C:\\Menu\\") + r.group), r.folder);
    }
    EXPECT_EQ(form->Notebook1->PageIndex(), 6);
  }
}

// The same file name in two modules: each replaces what the other wrote; the same title and group
// in two modules: the second link replaces the first.
TEST_F(InstallRunTest, SameNameTwice) {
  StartInstaller(
      {Module("C:\\a\\Read.txt", "Read", "A", 0, 1, "Suite"), Module("C:\\b\\read.TXT", "Read", "B", 0, 1, "Suite"),
       Module("C:\\a\\x.prc", "", "A"), Module("C:\\b\\X.PRC", "", "B")},
      {{"READ.TXT", "text"}, {"X.PRC", "x"}}, {"Ann"});
  Install();
  EXPECT_EQ(Logged("create D:"), (std::vector<std::string>{"create D:\\Apps\\Read.txt", "create D:\\Apps\\read.TXT"}));
  EXPECT_EQ(links.SavedFiles(), (std::vector<std::string>(2, "C:\\Menu\\Suite\\Read.lnk")));
  EXPECT_EQ(Logged("copy").size(), 2u);
  int inApps = 0;
  for (const auto& e : std::filesystem::directory_iterator(ddir.Path() / "Apps")) inApps += e.is_regular_file();
  EXPECT_EQ(inApps, 1);
  EXPECT_EQ(Read("D:\\Apps\\READ.TXT"), "text");
  EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\x.prc"), "x");
  EXPECT_EQ(ProgramFolder(), std::vector<std::string>{"Setup.exe"});
}

// Order: groups in tree order, each group's modules in their order; a module hanging under a
// module comes after all the modules of that module's group. A missing packed file installs as an
// empty file.
TEST_F(InstallRunTest, OrderAndMissingPackedFiles) {
  StartInstaller({Module("C:\\s\\A.exe", "A", "G"), Module("C:\\s\\B.exe", "B", "G"), Module("C:\\s\\C.exe", "C", "A"),
                  Module("C:\\s\\D.exe", "D", "H"), Module("C:\\s\\Ghost.prc", "", "H")},
                 {{"A.EXE", "a"}, {"B.EXE", "b"}, {"C.EXE", "c"}, {"D.EXE", "d"}}, {"Ann"});
  EXPECT_EQ(TreeShape(*form->Tree1), (std::vector<std::string>{"G", "  A", "    C", "  B", "H", "  D", "  Ghost.prc"}));
  Install();
  EXPECT_EQ(Logged("create D:"), (std::vector<std::string>{"create D:\\Apps\\A.exe", "create D:\\Apps\\B.exe",
                                                           "create D:\\Apps\\C.exe", "create D:\\Apps\\D.exe"}));
  EXPECT_EQ(form->ProgressBar1->Max(), 4);
  EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\Ghost.prc"), "");
}

TEST_F(InstallRunTest, MissingPackedPcFileGivesAnEmptyFile) {
  StartInstaller({Module("C:\\s\\Ghost.exe", "", "G", 2)}, {}, {"Ann"});
  Install();
  EXPECT_EQ(Read("D:\\Apps\\Ghost.exe"), "");
  EXPECT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(form->Notebook1->PageIndex(), 6);
}

// Only checked modules and users count; with none checked, nothing is shown or written.
TEST_F(InstallRunTest, CheckedOnly) {
  StartInstaller({Module("C:\\s\\App.prc", "", "G"), Module("C:\\s\\Tool.exe", "", "G", 1)},
                 {{"APP.PRC", "a"}, {"TOOL.EXE", "t"}});
  form->Tree1->TopItem(0)->Item(1)->SetCheckState(csUnchecked);
  form->CkUserList->TopItem(0)->Item(0)->SetCheckState(csUnchecked);
  Install();
  EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\App.prc"), "<none>");
  EXPECT_EQ(Read("C:\\Palm\\Bob\\Install\\App.prc"), "a");
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(form->ProgressBar1->Max(), 0);
  EXPECT_EQ(form->LbUser->Caption(), "Bob");
}

TEST_F(InstallRunTest, NoModuleChecked) {
  StartInstaller({Module("C:\\s\\Tool.exe", "", "G", 1)}, {{"TOOL.EXE", "t"}});
  form->Tree1->TopItem(0)->Item(0)->SetCheckState(csUnchecked);
  const std::string label = form->LabelInfo->Caption(), user = form->LbUser->Caption();
  const int min = form->ProgressBar1->Min(), max = form->ProgressBar1->Max(), pos = form->ProgressBar1->Position();
  backend.ClearRecords();
  Install();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(form->LabelInfo->Caption(), label);
  EXPECT_EQ(form->LbUser->Caption(), user);
  EXPECT_EQ(std::vector<int>({form->ProgressBar1->Min(), form->ProgressBar1->Max(), form->ProgressBar1->Position()}),
            std::vector<int>({min, max, pos}));
  EXPECT_EQ(backend.Repaints(form->ProgressBar1), 0);
  EXPECT_EQ(form->Notebook1->PageIndex(), 6);
}

// Without a user choice the handheld files go to the first user of the Palm Desktop, in one pass.
TEST_F(InstallRunTest, AutoInstallFirstUser) {
  for (const std::vector<std::string>& users : {std::vector<std::string>{"Ann", "Bob"}, std::vector<std::string>{}}) {
    program.reset();
    StartInstaller({Module("C:\\s\\App.prc", "", "G"), Module("C:\\s\\Tool.exe", "", "G", 1)},
                   {{"APP.PRC", "a"}, {"TOOL.EXE", "t"}}, users);
    for (int i = 0; i < form->CkUserList->Count(); ++i) form->CkUserList->Item(i)->SetCheckState(csUnchecked);
    form->AutoInstallFirstUser->SetChecked(true);
    const std::string user = form->LbUser->Caption();
    Install();
    EXPECT_EQ(Logged("copy"), users.empty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{"copy <tmp>\\App.prc > "
                                                                       "C:\\Palm\\Ann\\Install\\App.prc"});
    EXPECT_EQ(Logged("start").size(), 1u);
    EXPECT_EQ(form->LbUser->Caption(), user);
    EXPECT_EQ(form->Notebook1->PageIndex(), 6);
  }
}

// The conduit: both files beside the program while the tool runs with the program directory as its
// argument, when the program directory can take them; otherwise both in the run's private folder,
// which the tool then gets. The tool is waited for even after a module run without waiting; both
// files go afterwards, and a file of either name that was there before stays as it was.
TEST_F(InstallRunTest, Conduit) {
  const struct {
    const char* what;
    bool withModule, packed;
    const char* mine;            // a file of the user's beside the program
    const char* readOnlyFolder;  // where nothing can be created
    bool beside;
    bool quit;  // a quit request arrives while the tool runs
  } rows[] = {
      {"beside the program", true, true, nullptr, "", true, false},
      {"beside, conduit only", false, true, nullptr, "", true, false},
      {"beside, nothing packed", true, false, nullptr, "", true, false},
      {"a library of that name is there", true, true, "VEVORO20.DLL", "", false, false},
      {"a tool of that name is there", false, true, "condreg.exe", "", false, false},
      {"the tool cannot be made there", true, true, nullptr, "C:\\APPS\\CONDREG", false, false},
      {"program directory read-only", true, false, nullptr, "C:\\APPS\\", false, false},
      {"quit while the tool runs", false, true, "condreg.exe", "", false, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    program.reset();
    files.readOnlyFolder.clear();
    for (const char* name : {"VEVORO20.DLL", "condreg.exe"}) std::filesystem::remove(dir.Path() / "Apps" / name);
    std::vector<std::pair<std::string, std::string>> payload{{"TOOL.EXE", "t"}};
    if (r.packed) payload.insert(payload.end(), {{"VEVORO20.DLL", "dll"}, {"condreg.exe", "reg"}});
    StartInstaller({Module("C:\\s\\Tool.exe", "", "G", 1)}, payload, {"Ann"});
    if (!r.withModule) form->Tree1->TopItem(0)->Item(0)->SetCheckState(csUnchecked);
    form->CKInstallDoviConduit->SetChecked(true);
    if (r.mine) WriteHostFile(dir.Path() / "Apps" / r.mine, "mine");
    files.readOnlyFolder = r.readOnlyFolder;
    const auto beside = ProgramFolder();
    std::string atStart;  // the two files where the tool runs
    processes.onStart = [&](const std::string& cmd) {
      if (const auto at = cmd.find("CONDREG.EXE"); at != std::string::npos)
        atStart = Read(cmd.substr(0, at) + "VEVORO20.DLL") + "|" + Read(cmd.substr(0, at) + "CONDREG.EXE");
    };
    std::vector<std::string> leftAtQuit{"<no quit>"};
    if (r.quit) processes.arriving.push_back(Message{0, kWmQuit, 0});
    host.platform.halt = [&](std::uint32_t) { leftAtQuit = TempLeft(); };
    const std::size_t first = processes.handles.size();
    Install();
    host.platform.halt = nullptr;

    const std::string folder = r.beside ? "C:\\Apps\\" : "<tmp>\\";
    const std::vector<std::string> starts = Logged("start");
    ASSERT_EQ(starts.size(), r.withModule ? 2u : 1u);
    EXPECT_EQ(starts.back(), "start " + folder + "CONDREG.EXE " + folder);
    EXPECT_EQ(atStart, r.packed ? "dll|reg" : "|");
    if (r.withModule) {
      EXPECT_TRUE(processes.Running(processes.handles[first]));  // the module is not waited for
    }
    EXPECT_EQ(processes.Running(processes.handles.back()), r.quit);
    EXPECT_EQ(leftAtQuit, r.quit ? std::vector<std::string>{} : std::vector<std::string>{"<no quit>"});
    if (!r.quit) {
      const std::vector<std::string> deletes = Logged("delete " + folder);
      ASSERT_GE(deletes.size(), 2u);
      EXPECT_EQ(std::vector<std::string>(deletes.end() - 2, deletes.end()),
                (std::vector<std::string>{"delete " + folder + "VEVORO20.DLL", "delete " + folder + "CONDREG.EXE"}));
    }
    EXPECT_EQ(ProgramFolder(), beside);
    if (r.mine) {
      EXPECT_EQ(Read(std::string("C:\\Apps\\") + r.mine), "mine");
    }
    EXPECT_EQ(TempLeft(), std::vector<std::string>{});
    EXPECT_EQ(form->Notebook1->PageIndex(), 6);
  }
}

// Files beside the program that share a name with a module, the module list or the conduit are
// the user's: they stay as they were, and the installation completes. So does one from a
// read-only program directory (a CD).
TEST_F(InstallRunTest, FilesBesideTheProgramAndReadOnlyMedia) {
  std::filesystem::create_directories(dir.Path() / "CD");
  host.files.MapDrive('E', dir.Path() / "CD");
  for (const char* at : {"C:\\Apps\\Setup.exe", "E:\\Setup.exe"}) {
    SCOPED_TRACE(at);
    program.reset();
    host.files.SetReadOnly('E', false);
    const std::filesystem::path folder = dir.Path() / (at[0] == 'E' ? "CD" : "Apps");
    for (const char* name : {"tool.exe", "App.prc", "ILIST.QSP", "CONDREG.EXE"}) WriteHostFile(folder / name, "mine");
    host.files.SetReadOnly('E', at[0] == 'E');
    programAt = at;
    StartInstaller(
        {Module("C:\\s\\App.prc", "", "G"), Module("C:\\s\\Tool.exe", "", "G", 2), Module("C:\\s\\SETUP.exe", "", "G")},
        {{"APP.PRC", "a"}, {"TOOL.EXE", "t"}, {"SETUP.EXE", "s"}, {"VEVORO20.DLL", "dll"}, {"CONDREG.EXE", "reg"}},
        {"Ann"});
    EXPECT_EQ(TreeShape(*form->Tree1), (std::vector<std::string>{"G", "  App.prc", "  Tool.exe", "  SETUP.exe"}));
    form->CKInstallDoviConduit->SetChecked(true);
    Install();
    EXPECT_EQ(form->Notebook1->PageIndex(), 6);
    EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\App.prc"), "a");
    EXPECT_EQ(Read("D:\\Apps\\Tool.exe") + Read("D:\\Apps\\SETUP.exe"), "ts");
    EXPECT_EQ(Logged("start").back(), "start <tmp>\\CONDREG.EXE <tmp>\\");
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      left.push_back(e.path().filename().string() + "=" +
                     (e.path().filename() == "Setup.exe" ? "" : ReadHostFile(e.path())));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"App.prc=mine", "CONDREG.EXE=mine", "ILIST.QSP=mine",
                                              "Setup.exe=", "tool.exe=mine"}));
    EXPECT_EQ(TempLeft(), std::vector<std::string>{});
  }
}

// Failures of lower layers that the run passes over: a program that cannot be started, a user
// whose install folder cannot be made.
TEST_F(InstallRunTest, QuietFailuresLetTheRunGoOn) {
  StartInstaller(
      {Module("C:\\s\\App.prc", "", "G"), Module("C:\\s\\Tool.exe", "", "G", 2), Module("C:\\s\\Next.exe", "", "G", 0)},
      {{"APP.PRC", "a"}, {"TOOL.EXE", "t"}, {"NEXT.EXE", "n"}});
  std::filesystem::remove_all(dir.Path() / "Palm" / "Ann");
  processes.startResults.push_back({false, 2});
  Install();
  EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\App.prc"), "<none>");
  EXPECT_EQ(Read("C:\\Palm\\Bob\\Install\\App.prc"), "a");
  EXPECT_EQ(InstallFlag(1), std::nullopt);
  EXPECT_EQ(Read("D:\\Apps\\Next.exe"), "n");
  EXPECT_EQ(processes.starts.size(), 2u);
  EXPECT_EQ(form->Notebook1->PageIndex(), 6);
}

// Errors end the run where they happen: the standard error box, the wizard on Installation, what
// was installed before stays, nothing is left beside the program or in the temporary directory.
TEST_F(InstallRunTest, ErrorsEndTheRun) {
  const std::string create =
      "Impossible de cr\xE9"
      "er le fichier ";
  const std::string badName = "Nom de fichier incorrect pour le module '";
  using SetUp = std::function<void(InstallRunTest&)>;
  const struct {
    const char* what;
    const char* source;  // of the second module; the first is C:\s\App.prc
    SetUp setUp;
    std::string box;
    bool firstQueued;  // App.prc was queued before the error
  } rows[] = {
      {"destination not writable", "C:\\s\\Tool.exe", [](InstallRunTest& t) { t.files.readOnlyFolder = "D:\\APPS\\"; },
       create + "D:\\Apps\\Tool.exe.", true},
      {"no temporary folder can be made", "C:\\s\\Tool.exe",
       [](InstallRunTest& t) { t.host.files.SetTempDirectory("C:\\Missing"); }, create + "C:\\Missing\\.", false},
      {"link object cannot be made", "C:\\s\\Tool.exe",
       [](InstallRunTest& t) {
         t.links.createResult = kEFail;
         t.links.systemText = "Unspecified error";
       },
       "Unspecified error.", true},
      {"link object without its interfaces", "C:\\s\\Tool.exe",
       [](InstallRunTest& t) { t.links.lacksInterface = true; },
       "Interface non support\xE9"
       "e.",
       true},
      // Unsafe names are refused before anything is written.
      {"slash", "C:\\s\\..\\x/../../Tool.exe", nullptr, badName + "C:\\s\\..\\x/../../Tool.exe'", false},
      {"dot dot", "C:\\s\\..", nullptr, badName + "C:\\s\\..'", false},
      {"no file name", "C:\\s\\", nullptr, badName + "C:\\s\\'", false},
      {"device", "C:\\s\\nul.prc", nullptr, badName + "C:\\s\\nul.prc'", false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    program.reset();
    files.readOnlyFolder.clear();
    links.createResult = kSOk;
    links.lacksInterface = false;
    std::filesystem::remove_all(dir.Path() / "Palm");
    std::filesystem::remove_all(ddir.Path() / "Apps");
    host.files.SetTempDirectory("C:\\Temp");
    StartInstaller({Module("C:\\s\\App.prc", "", "G"), Module(r.source, "T", "G", 1, 1, "Suite")},
                   {{"APP.PRC", "a"}, {"TOOL.EXE", "t"}, {"SETUP.EXE", "s"}}, {"Ann"});
    form->CKInstallDoviConduit->SetChecked(true);
    if (r.setUp) r.setUp(*this);
    const auto beside = ProgramFolder();
    const auto programSize = std::filesystem::file_size(dir.Path() / "Apps" / "Setup.exe");
    InstallFails(r.box);
    EXPECT_EQ(Read("C:\\Palm\\Ann\\Install\\App.prc"), r.firstQueued ? "a" : "<none>");
    EXPECT_TRUE(processes.starts.empty());
    EXPECT_EQ(ProgramFolder(), beside);
    EXPECT_EQ(std::filesystem::file_size(dir.Path() / "Apps" / "Setup.exe"), programSize);
    EXPECT_EQ(TempLeft(), std::vector<std::string>{});
  }
}

// Neither the program directory nor the temporary directory takes the conduit's files.
TEST_F(InstallRunTest, ConduitFileCannotBeWritten) {
  StartInstaller({}, {{"VEVORO20.DLL", "dll"}, {"CONDREG.EXE", "reg"}});
  form->CKInstallDoviConduit->SetChecked(true);
  files.readOnlyFolder = "C:\\APPS\\CONDREG";
  host.files.SetTempDirectory("C:\\Missing");
  InstallFails(
      "Impossible de cr\xE9"
      "er le fichier C:\\Missing\\.");
  EXPECT_TRUE(processes.starts.empty());
  EXPECT_EQ(ProgramFolder(), std::vector<std::string>{"Setup.exe"});  // the library went too
}

}  // namespace
}  // namespace qs::test
