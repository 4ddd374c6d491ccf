// The Win32 platform over the real API (run under Wine in the test prefix): the same file and
// registry checks as the portable platform, and TUserData over the real registry and files.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>
#undef CreateDirectory

#include <gtest/gtest.h>

#include "core/text.h"
#include "palm/autoinst.h"
#include "palm/users_dat.h"
#include "platform/contract.h"
#include "platform/portable/messageboxes.h"
#include "platform/temp_dir.h"
#include "platform/win32/host_win32.h"

namespace qs {
namespace {

std::string Folder(const test::TempDir& t) { return t.Path().string() + "\\"; }

// ---- raw registry helpers, independent of the code under test --------------------------------

void SetRegString(const std::string& key, const std::string& name, const std::string& text) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(k);
}

void MakeRegKey(const std::string& key) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

bool RegKeyExists(const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// The type and bytes of a value, or type REG_NONE with no bytes when it is missing.
std::pair<DWORD, std::string> RegRead(const std::string& key, const std::string& name) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return {REG_NONE, ""};
  BYTE buf[512];
  DWORD type = 0, size = sizeof buf;
  LONG rc = RegQueryValueExA(k, name.c_str(), nullptr, &type, buf, &size);
  RegCloseKey(k);
  if (rc != ERROR_SUCCESS) return {REG_NONE, ""};
  return {type, std::string(reinterpret_cast<char*>(buf), size)};
}

void DeleteRegTree(const std::string& key) { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }

// ---- the platform contract --------------------------------------------------------------------

TEST(Win32Files, BehaveAsTheContractSays) {
  Win32FileSystem fs;
  struct Step {
    const char* name;
    void (*run)(IFileSystem&, const std::string&);
  } steps[] = {{"read/write/seek", test::FilesReadWriteSeek},
               {"sharing", test::FilesSharing},
               {"directories", test::FilesDirectories},
               {"copy", test::FilesCopy}};
  for (auto& s : steps) {
    SCOPED_TRACE(s.name);
    test::TempDir tmp;
    s.run(fs, Folder(tmp));
  }
}

TEST(Win32Registry, BehavesAsTheContractSays) {
  const std::string base = "Software\\QuillsetTest-" + std::to_string(GetCurrentProcessId());
  DeleteRegTree(base);
  MakeRegKey(base);
  Win32Registry reg;
  test::RegistryBasics(reg, base, [](const std::string& key, const std::string& name, const std::string& text) {
    SetRegString(key, name, text);
  });
  DeleteRegTree(base);
  EXPECT_FALSE(RegKeyExists(base));
}

TEST(Win32Host, KnowsTheProgramPath) {
  Win32Host host;
  EXPECT_EQ(UpperAZ(FileNamePart(host.platform.programPath)), "TEST_WIN32.EXE");
  EXPECT_NE(host.platform.programPath.find(':'), std::string::npos);
  EXPECT_EQ(host.platform.files, &host.files);
  EXPECT_EQ(host.platform.registry, &host.registry);
}

// ---- TUserData over the real registry ---------------------------------------------------------

const std::string kUsr = "Software\\U.S. Robotics";
const std::string kPalm = "Software\\Palm Computing";

// Uses the vendor keys of the test prefix; never touches a machine that has a Palm Desktop.
class RealDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (RegKeyExists(kUsr) || RegKeyExists(kPalm)) GTEST_SKIP() << "a Palm Desktop is registered here";
    owned_ = true;
    platform.files = &files;
    platform.registry = &registry;
    platform.boxes = &boxes;
    desktop = Folder(tmp) + "Palm";
    ASSERT_TRUE(files.ForceDirectories(desktop));
  }
  void TearDown() override {
    if (!owned_) return;
    DeleteRegTree(kUsr);
    DeleteRegTree(kPalm);
  }
  void Desktop(const std::string& vendor, const std::string& path) {
    SetRegString(vendor + "\\Pilot Desktop\\Core", "Path", path);
    MakeRegKey(vendor + "\\Pilot Desktop\\HotSync Manager");
  }
  void UsersFile(const std::vector<test::UserEntry>& users) {
    test::Put(files, desktop + "\\users.dat", test::UsersDat(users));
    for (auto& u : users) files.CreateDirectory(desktop + "\\" + u.folder);
  }

  bool owned_ = false;
  test::TempDir tmp;
  std::string desktop;
  Win32FileSystem files;
  Win32Registry registry;
  RecordingMessageBoxes boxes;
  Platform platform;
};

TEST_F(RealDesktop, ListsUsersAndQueuesWithTheFlag) {
  Desktop(kUsr, desktop + "\\");  // a trailing backslash: "...\Palm\\users.dat" is accepted
  UsersFile({{3, "Ann Smith", "SmithA"}, {7, std::string(31, 'B'), "BobF"}});
  test::Put(files, Folder(tmp) + "app.prc", "app");
  SetRegString(kUsr + "\\Pilot Desktop\\HotSync Manager", "Install7", "stale");

  TUserData d(platform);
  EXPECT_FALSE(d.DesktopMissing());
  EXPECT_EQ(d.DesktopPath(), desktop + "\\");
  ASSERT_EQ(d.UserCount(), 2);
  EXPECT_EQ(d.UserName(0), "Ann Smith");
  EXPECT_EQ(d.UserName(1), std::string(31, 'B'));
  EXPECT_EQ(d.UserNumber(1), 7);

  for (int p : {0, 1}) EXPECT_TRUE(d.QueueInstall(p, Folder(tmp) + "app.prc"));
  EXPECT_EQ(test::Get(files, desktop + "\\SmithA\\Install\\app.prc"), "app");
  EXPECT_EQ(test::Get(files, desktop + "\\BobF\\Install\\app.prc"), "app");
  const std::string one("\x01\0\0\0", 4);
  EXPECT_EQ(RegRead(kUsr + "\\Pilot Desktop\\HotSync Manager", "Install3"), std::make_pair(DWORD(REG_DWORD), one));
  EXPECT_EQ(RegRead(kUsr + "\\Pilot Desktop\\HotSync Manager", "Install7"), std::make_pair(DWORD(REG_DWORD), one));
  EXPECT_FALSE(d.QueueInstall(0, Folder(tmp) + "missing.prc"));
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(RealDesktop, PalmComputingAloneAndVendorKeysGoneLater) {
  Desktop(kPalm, desktop);
  UsersFile({{5, "Eve", "EveF"}});
  test::Put(files, Folder(tmp) + "db.pdb", "db");
  TUserData d(platform);
  ASSERT_EQ(d.UserCount(), 1);
  EXPECT_EQ(d.VendorKey(), kPalm);
  EXPECT_TRUE(d.QueueInstall(0, Folder(tmp) + "db.pdb"));
  EXPECT_EQ(RegRead(kPalm + "\\Pilot Desktop\\HotSync Manager", "Install5").first, DWORD(REG_DWORD));
  EXPECT_FALSE(RegKeyExists(kUsr));

  DeleteRegTree(kPalm);
  boxes.Answer(kIdOk);
  EXPECT_FALSE(d.QueueInstall(0, Folder(tmp) + "db.pdb"));
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, "The Pilot DeskTop Software is not Correctly Installed");
  EXPECT_EQ(boxes.Boxes()[0].caption, "Pilot Desktop Access");
  EXPECT_EQ(boxes.Boxes()[0].flags, unsigned(MB_ICONERROR | MB_OK));
  EXPECT_FALSE(RegKeyExists(kPalm));  // never created
}

TEST_F(RealDesktop, NoVendorKeyMeansDesktopMissing) {
  TUserData d(platform);
  EXPECT_TRUE(d.DesktopMissing());
  EXPECT_EQ(d.UserCount(), 0);
  EXPECT_FALSE(RegKeyExists(kUsr));
  EXPECT_FALSE(RegKeyExists(kPalm));
}

}  // namespace
}  // namespace qs
