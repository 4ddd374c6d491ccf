// The dry run of an installer: the installer's own start-up and run on copies of a desktop, and
// what it reports - per user, per module choice, with the first user served without asking.
#include "builder/plan.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "builder/builder.h"
#include "platform/temp_dir.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

TModuleRec Module(const char* source, const char* title, const char* group, std::int32_t action,
                  std::int32_t shortcut) {
  TModuleRec r = EmptyModuleRec();
  SetModuleText(r.SourcePath, source);
  SetModuleText(r.Title, title);
  SetModuleText(r.Group, group);
  SetModuleText(r.ProgramGroup, "Hello");
  r.Action = action;
  r.MakeShortcut = shortcut;
  return r;
}

std::vector<std::uint8_t> Installer(bool autoFirstUser) {
  InstallerDescription d;
  d.directory = "C:\\Program Files\\Hello";
  d.options = {{"CKInstallDoviConduit", true}, {"AutoInstallFirstUser", autoFirstUser}};
  d.modules = {Module("palm\\Hello.prc", "Application", "Handheld", maInstall, 0),
               Module("palm\\Data.pdb", "Database", "Handheld", maQueueAndCopy, 0),
               Module("bin\\HELLO.EXE", "Companion", "Desktop", maRunWait, 0),
               Module("readme.txt", "Readme", "Desktop", maInstall, 1)};
  auto file = [](const char* name, std::string bytes, const char* description = "") {
    return PackedFileDescription{name, description, true, std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                                 "",   {},          0};
  };
  d.files = {file("Hello.prc", "prc"),     file("Data.pdb", "pdb!"),       file("HELLO.EXE", "MZ hello"),
             file("readme.txt", "read"),   file("Rt.prc", "rt", "DORUVU"), file("VEVORO20.DLL", "dll"),
             file("CONDREG.EXE", "MZ reg")};
  std::vector<std::uint8_t> stub(kStubSize, 0);
  stub[0] = 'M', stub[1] = 'Z';
  return BuildInstaller(stub, d);
}

// A desktop of two users (Ann, number 1, folder AnnA; Bob, number 3, folder BobB). In users.dat
// each user is: number (2 bytes), 2 bytes, counted name, counted folder, one byte.
struct Desktop {
  test::TempDir dir;
  PlanOptions options;
  Desktop() {
    fs::create_directories(dir.Path() / "Palm" / "AnnA");
    fs::create_directories(dir.Path() / "Palm" / "BobB");
    fs::create_directories(dir.Path() / "Menu");
    std::ofstream(dir.Path() / "Palm" / "users.dat", std::ios::binary)
        << std::string("\x02", 1) << std::string(12, '\0')
        << std::string(
               "\x01\0\0\0\x03"
               "Ann"
               "\x04"
               "AnnA\0",
               14)
        << "\x01\x80"
        << std::string(
               "\x03\0\0\0\x03"
               "Bob"
               "\x04"
               "BobB\0",
               14);
    options.registryText =
        "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n"
        "\"Path\"=\"C:\\\\Palm\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager]"
        "\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
        "\"Programs\"=\"C:\\\\Menu\"\r\n";
    options.drives = {{'C', dir.Path()}};
    options.programPath = "C:\\qs\\Setup.exe";
  }
};

TEST(Plan, ReportsWhatTheRunDidForEachChoiceOfUsersAndModules) {
  struct Case {
    const char* what;
    bool autoFirstUser;
    std::optional<std::vector<std::string>> users, modules;
    std::vector<std::string> queued;  // user:name
    std::vector<std::string> flags;   // values set below HotSync Manager
    std::size_t destinationFiles, shortcuts, programs;
  } cases[] = {
      {"everything",
       false,
       {},
       {},
       {"Ann:Data.pdb", "Ann:Hello.prc", "Ann:Rt.prc", "Bob:Data.pdb", "Bob:Hello.prc", "Bob:Rt.prc"},
       {"Install1", "Install3"},
       3,
       2,
       2},
      {"one user",
       false,
       std::vector<std::string>{"bob"},
       {},
       {"Bob:Data.pdb", "Bob:Hello.prc", "Bob:Rt.prc"},
       {"Install3"},
       3,
       1,
       1},
      {"one module", false, {}, std::vector<std::string>{"README.TXT"}, {}, {}, 1, 2, 0},
      {"first user", true, {}, std::vector<std::string>{"Application"}, {"Ann:Hello.prc"}, {"Install1"}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Desktop desk;
    desk.options.users = c.users;
    desk.options.modules = c.modules;
    PlanReport r = RunPlan(Installer(c.autoFirstUser), desk.options);
    EXPECT_TRUE(r.finished) << r.stoppedAt;
    EXPECT_EQ(r.autoFirstUser, c.autoFirstUser);
    std::vector<std::string> queued;
    for (const auto& q : r.queued) {
      queued.push_back(q.user + ":" + q.name);
      EXPECT_EQ(q.folder, "C:\\Palm\\" + std::string(q.user == "Bob" ? "BobB" : "AnnA") + "\\Install");
    }
    EXPECT_EQ(queued, c.queued);
    std::vector<std::string> flags;
    for (const auto& v : r.registry)
      if (v.key.find("HotSync Manager") != std::string::npos && v.type == "REG_DWORD" && v.data == "1")
        flags.push_back(v.name);
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(r.destinationFiles.size(), c.destinationFiles);
    ASSERT_EQ(r.shortcuts.size(), c.shortcuts);
    for (const auto& s : r.shortcuts) {
      EXPECT_EQ(s.link, "C:\\Menu\\Hello\\Readme.lnk");
      EXPECT_EQ(s.target, "C:\\Program Files\\Hello\\readme.txt");
    }
    ASSERT_EQ(r.programs.size(), c.programs);
    for (const auto& p : r.programs) {
      EXPECT_EQ(p.commandLine, "\"C:\\Program Files\\Hello\\HELLO.EXE\" ");  // the form's empty parameters
      EXPECT_EQ(p.wait, "regular");                                          // the built-in form's wait style
    }
    EXPECT_TRUE(r.conduit);
    EXPECT_EQ(r.conduitCommandLine, "C:\\qs\\CONDREG.EXE C:\\qs\\");
    EXPECT_TRUE(r.otherFiles.empty()) << r.otherFiles.front().path;
    EXPECT_TRUE(r.boxes.empty());
  }
}

TEST(Plan, LeavesTheDesktopAloneAndRefusesNamesItDoesNotOffer) {
  Desktop desk;
  RunPlan(Installer(false), desk.options);
  EXPECT_FALSE(fs::exists(desk.dir.Path() / "Palm" / "AnnA" / "Install"));
  EXPECT_FALSE(fs::exists(desk.dir.Path() / "qs"));

  desk.options.users = std::vector<std::string>{"Carol"};
  EXPECT_THROW(RunPlan(Installer(false), desk.options), PlanError);
  desk.options.users.reset();
  desk.options.modules = std::vector<std::string>{"nothing.prc"};
  EXPECT_THROW(RunPlan(Installer(false), desk.options), PlanError);
}

TEST(Plan, TheDefaultDesktopHasOneUserAndAMissingDesktopIsAskedAbout) {
  PlanReport r = RunPlan(Installer(false), PlanOptions{});
  EXPECT_TRUE(r.finished) << r.stoppedAt;
  EXPECT_EQ(r.users, std::vector<std::string>{"User"});
  EXPECT_EQ(r.queued.size(), 3u);

  // No Palm Desktop: the start-up question, answered Yes; no user to choose, so Next stays.
  PlanOptions none;
  none.registryText = "REGEDIT4\r\n";
  r = RunPlan(Installer(false), none);
  EXPECT_FALSE(r.desktopFound);
  ASSERT_GE(r.boxes.size(), 2u);
  EXPECT_EQ(r.boxes[0].answer, 6);
  EXPECT_FALSE(r.finished);
  EXPECT_NE(r.stoppedAt.find("page 4"), std::string::npos) << r.stoppedAt;
}

}  // namespace
}  // namespace qs
