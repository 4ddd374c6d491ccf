#include "palm/autoinst.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>

#include "core/streams.h"
#include "core/text.h"
#include "palm/users_dat.h"
#include "platform/portable/host.h"
#include "platform/portable/regedit4.h"
#include "platform/temp_dir.h"

namespace qs {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;
using test::TempDir;
using test::UserEntry;
using test::UsersDat;
using test::WriteHostFile;

const std::string kUsr = "Software\\U.S. Robotics";
const std::string kPalm = "Software\\Palm Computing";

struct User {
  int number;
  std::string name, folder;
  bool operator==(const User&) const = default;
};

std::ostream& operator<<(std::ostream& os, const User& u) {
  return os << "{" << u.number << ", \"" << u.name << "\", \"" << u.folder << "\"}";
}

std::vector<User> UsersOf(const TUserData& d) {
  std::vector<User> r;
  for (int i = 0; i < d.UserCount(); ++i) r.push_back({d.UserNumber(i), d.UserName(i), d.UserFolder(i)});
  return r;
}

std::vector<User> UsersOf(const UsersFile& f) {
  std::vector<User> r;
  for (const UserRecord& u : f.users)
    r.push_back({u.number, FixedField(u.name, sizeof u.name), FixedField(u.folder, sizeof u.folder)});
  return r;
}

UsersFile Parse(const std::string& bytes) {
  TMemoryStream s(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return ReadUsersFile(s);
}

class PalmDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(tmp.Path() / "c");
    host.files.MapDrive('C', tmp.Path() / "c");
  }
  fs::path C(const std::string& rel) const { return tmp.Path() / "c" / rel; }

  // A desktop below the vendor key: "Pilot Desktop\Core" with its path, and the HotSync key.
  void Desktop(const std::string& vendor, const std::string& path = "C:\\Palm") {
    host.registry.SetString(vendor + "\\Pilot Desktop\\Core", "Path", path);
    RegKey k = 0;
    host.registry.CreateKey(kHKCU, vendor + "\\Pilot Desktop\\HotSync Manager", k);
    host.registry.CloseKey(k);
  }
  void UsersFileAt(const std::string& dir, const std::string& bytes) { WriteHostFile(C(dir) / "users.dat", bytes); }
  void ExpectAllClosed() {
    EXPECT_EQ(host.registry.OpenHandles(), 0u);
    EXPECT_EQ(host.files.OpenFiles(), 0u);
  }
  std::optional<RegValue> Flag(const std::string& vendor, const std::string& name) {
    return host.registry.Value(vendor + "\\Pilot Desktop\\HotSync Manager", name);
  }

  TempDir tmp;
  PortableHost host;
};

// ---- discovery --------------------------------------------------------------------------------

TEST_F(PalmDesktop, VendorKeyChoice) {
  enum Setup { None, KeyOnly, CoreNoPath, Full };
  struct Case {
    const char* what;
    Setup usr, palm;
    bool missing;
    const char* vendor;
    const char* path;
    std::vector<User> users;
  };
  const std::vector<User> usrUsers{{1, "Ann", "AnnF"}};
  const std::vector<User> palmUsers{{2, "Bob", "BobF"}, {3, "Cy", "CyF"}};
  const Case cases[] = {
      {"neither vendor key", None, None, true, "", "", {}},
      {"only Palm Computing", None, Full, false, "Software\\Palm Computing", "C:\\PalmB", palmUsers},
      {"both: U.S. Robotics first", Full, Full, false, "Software\\U.S. Robotics", "C:\\PalmA", usrUsers},
      {"U.S. Robotics without Core wins", KeyOnly, Full, false, "Software\\U.S. Robotics", "", {}},
      {"Core without Path", CoreNoPath, Full, false, "Software\\U.S. Robotics", "", {}},
      {"Palm Computing key only", None, KeyOnly, false, "Software\\Palm Computing", "", {}},
  };
  UsersFileAt("PalmA", UsersDat({{1, "Ann", "AnnF"}}));
  UsersFileAt("PalmB", UsersDat({{2, "Bob", "BobF"}, {3, "Cy", "CyF"}}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PortableRegistry fresh;
    host.platform.registry = &fresh;
    auto setup = [&](const std::string& vendor, Setup s, const char* path) {
      RegKey k = 0;
      if (s == KeyOnly) fresh.CreateKey(kHKCU, vendor, k);
      if (s == CoreNoPath) fresh.CreateKey(kHKCU, vendor + "\\Pilot Desktop\\Core", k);
      if (s == Full) fresh.SetString(vendor + "\\Pilot Desktop\\Core", "Path", path);
      if (k) fresh.CloseKey(k);
    };
    setup(kUsr, c.usr, "C:\\PalmA");
    setup(kPalm, c.palm, "C:\\PalmB");
    {
      TUserData d(host.platform);
      EXPECT_EQ(d.DesktopMissing(), c.missing);
      EXPECT_EQ(d.VendorKey(), c.vendor);
      EXPECT_EQ(d.DesktopPath(), c.path);
      EXPECT_EQ(UsersOf(d), c.users);
    }
    EXPECT_EQ(fresh.OpenHandles(), 0u);
    EXPECT_EQ(host.files.OpenFiles(), 0u);
    // Discovery only reads: no key appears.
    EXPECT_EQ(fresh.KeyExists(kUsr), c.usr != None);
    EXPECT_EQ(fresh.KeyExists(kPalm), c.palm != None);
    host.platform.registry = &host.registry;
  }
}

TEST_F(PalmDesktop, DesktopPathValueForms) {
  UsersFileAt("Palm", UsersDat({{5, "Eve", "EveF"}}));
  auto bytes = [](const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
  const std::string p255 = "C:\\" + std::string(252, 'p');
  struct Case {
    const char* what;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    const char* path;  // nullptr: the 255-character path
    int users;
  } cases[] = {
      {"plain", kRegSz, bytes(std::string("C:\\Palm\0", 8)), "C:\\Palm", 1},
      {"trailing backslash", kRegSz, bytes(std::string("C:\\Palm\\\0", 9)), "C:\\Palm\\", 1},
      {"binary without zero", kRegBinary, bytes("C:\\Palm"), "C:\\Palm", 1},
      {"bytes after the zero", kRegSz, bytes(std::string("C:\\Palm\0junk", 12)), "C:\\Palm", 1},
      {"expand type, not expanded", kRegExpandSz, bytes(std::string("%PALM%\0", 7)), "%PALM%", 0},
      {"no users.dat there", kRegSz, bytes(std::string("C:\\Nowhere\0", 11)), "C:\\Nowhere", 0},
      {"255 characters fit", kRegSz, bytes(p255 + '\0'), nullptr, 0},
      {"256 characters do not", kRegSz, bytes(p255 + "q" + '\0'), "", 0},
      {"256 bytes without zero do not", kRegBinary, bytes(p255 + "q"), "", 0},
      {"empty", kRegSz, {}, "", 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    host.registry.SetValue(kUsr + "\\Pilot Desktop\\Core", "Path", c.type, c.data);
    TUserData d(host.platform);
    EXPECT_FALSE(d.DesktopMissing());
    EXPECT_EQ(d.DesktopPath(), c.path ? std::string(c.path) : p255);
    EXPECT_EQ(d.UserCount(), c.users);
    ExpectAllClosed();
  }
}

TEST_F(PalmDesktop, UsersFileThatCannotBeOpenedGivesNoUsers) {
  Desktop(kUsr);
  UsersFileAt("Palm", UsersDat({{5, "Eve", "EveF"}}));
  // Held open by someone who shares nothing: the read/write open fails, the path stays.
  auto holder = host.files.Open("C:\\Palm\\users.dat", false, ShareMode::Exclusive);
  ASSERT_TRUE(holder);
  TUserData blocked(host.platform);
  EXPECT_EQ(blocked.UserCount(), 0);
  EXPECT_EQ(blocked.DesktopPath(), "C:\\Palm");
  holder.reset();
  // A reader that shares reading and writing does not stop it.
  auto reader = host.files.Open("C:\\Palm\\users.dat", false, ShareMode::DenyNone);
  TUserData shared(host.platform);
  EXPECT_EQ(shared.UserCount(), 1);
  // The file is read and never changed.
  reader.reset();
  EXPECT_EQ(ReadHostFile(C("Palm/users.dat")), UsersDat({{5, "Eve", "EveF"}}));
}

// ---- the user file ----------------------------------------------------------------------------

TEST(UsersFileReader, Layouts) {
  const std::string n31(31, 'N'), f31(31, 'F'), n40 = std::string(31, 'L') + "123456789";
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<User> users;
    bool truncated;
  };
  const Case cases[] = {
      {"one user, no marker", UsersDat({{7, "Solo", "SoloF"}}), {{7, "Solo", "SoloF"}}, false},
      {"three users with gaps",
       UsersDat({{1, "A", "Af", std::string("\x00\x01\x00\x80\x80\x01\x02", 7)},
                 {2, "B", "Bf", std::string(300, '\x55')},
                 {3, "C", "Cf"}}),
       {{1, "A", "Af"}, {2, "B", "Bf"}, {3, "C", "Cf"}},
       false},
      {"01 01 80 is no marker",
       UsersDat({{1, "A", "Af", "\x01\x01\x80\xAA"}, {2, "B", "Bf"}}),
       {{1, "A", "Af"}, {2, "B", "Bf"}},
       false},
      {"01 01 01 80 ends in a marker",
       UsersDat({{1, "A", "Af", "\x01\x01"}, {2, "B", "Bf"}}),
       {{1, "A", "Af"}, {2, "B", "Bf"}},
       false},
      {"the ignored byte does not start a marker",
       UsersDat({{1, "A", "Af", "\x80\x33", 0x01}, {2, "B", "Bf"}}),
       {{1, "A", "Af"}, {2, "B", "Bf"}},
       false},
      {"31 characters whole, empty texts",
       UsersDat({{0xFFFF, n31, f31}, {0, "", ""}}),
       {{65535, n31, f31}, {0, "", ""}},
       false},
      {"long name cut, next entry read",
       UsersDat({{1, n40, "Lf"}, {2, "B", "Bf"}}),
       {{1, n40.substr(0, 31), "Lf"}, {2, "B", "Bf"}},
       false},
      {"long folder left out, next entry read", UsersDat({{1, "L", n40}, {2, "B", "Bf"}}), {{2, "B", "Bf"}}, false},
      {"folder of exactly 32 left out", UsersDat({{1, "L", f31 + "G"}, {2, "B", "Bf"}}), {{2, "B", "Bf"}}, false},
      {"name of exactly 32 cut", UsersDat({{1, n31 + "M", "Lf"}}), {{1, n31, "Lf"}}, false},
      {"count byte 0", UsersDat({{1, "A", "Af"}}, 0), {}, false},
      {"count larger than the entries",
       UsersDat({{1, "A", "Af"}, {2, "B", "Bf"}}, 3),
       {{1, "A", "Af"}, {2, "B", "Bf"}},
       true},
      {"marker never found",
       UsersDat({{1, "A", "Af", "\x01\x81", 0, 0, false}, {2, "B", "Bf"}}),
       {{1, "A", "Af"}},
       true},
      {"count smaller than the entries",
       UsersDat({{1, "A", "Af"}, {2, "B", "Bf"}, {3, "C", "Cf"}}, 2),
       {{1, "A", "Af"}, {2, "B", "Bf"}},
       false},
      {"empty file", "", {}, false},
      {"header cut", std::string("\x02\x00\x00", 3), {}, true},
      {"length byte beyond the data",
       std::string("\x01", 1) + std::string(12, '\0') + "\x01\x00\x00\x00\xFF" + "abc",
       {},
       true},
      {"last entry without its ignored byte",
       UsersDat({{4, "D", "Df"}}).substr(0, 13 + 4 + 2 + 3),
       {{4, "D", "Df"}},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UsersFile f = Parse(c.bytes);
    EXPECT_EQ(UsersOf(f), c.users);
    EXPECT_EQ(f.truncated, c.truncated);
    for (const UserRecord& u : f.users) {
      EXPECT_NE(std::memchr(u.name, 0, sizeof u.name), nullptr);
      EXPECT_NE(std::memchr(u.folder, 0, sizeof u.folder), nullptr);
    }
  }
  EXPECT_EQ(Parse(UsersDat({{1, n40, "a"}, {2, "b", n40}})).nameCut, 1);
  EXPECT_EQ(Parse(UsersDat({{1, n40, "a"}, {2, "b", n40}})).folderTooLong, 1);
}

TEST_F(PalmDesktop, AccessorsGiveNeutralAnswersOutsideTheList) {
  Desktop(kUsr);
  UsersFileAt("Palm", UsersDat({{9, "Nine", "NineF"}, {8, "Eight", "EightF"}}));
  TUserData d(host.platform);
  ASSERT_EQ(d.UserCount(), 2);
  for (int p : {-1, 2, 3, 1000, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(p);
    EXPECT_EQ(d.UserNumber(p), 0);
    EXPECT_EQ(d.UserName(p), "");
    EXPECT_EQ(d.UserFolder(p), "");
    EXPECT_FALSE(d.QueueInstall(p, "C:\\x.prc"));
  }
  EXPECT_EQ(d.UserName(1), "Eight");

  UsersFileAt("Palm", UsersDat({}, 0));
  TUserData empty(host.platform);
  EXPECT_EQ(empty.UserCount(), 0);
  EXPECT_EQ(empty.UserName(0), "");
  EXPECT_EQ(empty.UserNumber(0), 0);
  EXPECT_EQ(empty.UserFolder(0), "");
  ExpectAllClosed();
}

// ---- the install queue ------------------------------------------------------------------------

class InstallQueue : public PalmDesktop {
 protected:
  void SetUp() override {
    PalmDesktop::SetUp();
    Desktop(kUsr);
    UsersFileAt("Palm", UsersDat({{3, "Ann", "AnnF"}, {7, "Bob", "BobF"}, {7, "Bob2", "Bob2F"}, {0, "Odd", ".."}}));
    for (const char* f : {"AnnF", "BobF", "Bob2F"}) fs::create_directories(C("Palm") / f);
    WriteHostFile(C("tmp/app.prc"), "app v1");
    WriteHostFile(C("tmp/data.pdb"), "data");
  }
  std::string Queued(const std::string& folder, const std::string& name) {
    auto p = C("Palm") / folder / "Install" / name;
    return fs::exists(p) ? ReadHostFile(p) : std::string("<none>");
  }
  void ExpectFlag(const std::string& vendor, const std::string& name) {
    auto v = Flag(vendor, name);
    ASSERT_TRUE(v) << name;
    EXPECT_EQ(v->type, kRegDword);
    EXPECT_EQ(v->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  }
};

TEST_F(InstallQueue, CopiesAndFlags) {
  // An install folder that exists already is used; its other files are left alone.
  WriteHostFile(C("Palm/AnnF/Install/other.prc"), "other");
  TUserData d(host.platform);
  ASSERT_EQ(d.UserCount(), 4);
  EXPECT_TRUE(d.QueueInstall(0, "C:\\tmp\\app.prc"));
  EXPECT_EQ(Queued("AnnF", "app.prc"), "app v1");
  ExpectFlag(kUsr, "Install3");

  // Again, with new contents: one copy, replaced; the flag stays 1.
  WriteHostFile(C("tmp/app.prc"), "app v2");
  host.registry.SetValue(kUsr + "\\Pilot Desktop\\HotSync Manager", "Install3", kRegDword, {0, 0, 0, 0});
  EXPECT_TRUE(d.QueueInstall(0, "C:\\tmp\\app.prc"));
  EXPECT_EQ(Queued("AnnF", "app.prc"), "app v2");
  ExpectFlag(kUsr, "Install3");

  // Several files into the same folder; the file-name part follows the last "\" or ":".
  EXPECT_TRUE(d.QueueInstall(0, "C:tmp\\data.pdb"));
  EXPECT_EQ(Queued("AnnF", "data.pdb"), "data");
  EXPECT_EQ(Queued("AnnF", "other.prc"), "other");
  EXPECT_EQ(std::distance(fs::directory_iterator(C("Palm/AnnF/Install")), fs::directory_iterator()), 3);
  ExpectAllClosed();
}

TEST_F(InstallQueue, UsersSharingANumberShareTheFlag) {
  TUserData d(host.platform);
  EXPECT_TRUE(d.QueueInstall(1, "C:\\tmp\\app.prc"));
  EXPECT_TRUE(d.QueueInstall(2, "C:\\tmp\\app.prc"));
  EXPECT_EQ(Queued("BobF", "app.prc"), "app v1");
  EXPECT_EQ(Queued("Bob2F", "app.prc"), "app v1");
  ExpectFlag(kUsr, "Install7");
  EXPECT_EQ(host.registry.Values(kUsr + "\\Pilot Desktop\\HotSync Manager").size(), 1u);
}

TEST_F(InstallQueue, AFlagOfAnyEarlierTypeIsReplaced) {
  struct Case {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
  } cases[] = {{kRegSz, {'0', 0}},
               {kRegBinary, {}},
               {kRegBinary, {1, 0, 0, 0, 0, 0, 0, 0}},
               {kRegDword, {0, 0, 0, 0}},
               {kRegExpandSz, {'1', 0}}};
  TUserData d(host.platform);
  for (auto& c : cases) {
    SCOPED_TRACE(c.type);
    host.registry.SetValue(kUsr + "\\Pilot Desktop\\HotSync Manager", "install3", c.type, c.data);
    EXPECT_TRUE(d.QueueInstall(0, "C:\\tmp\\app.prc"));
    ExpectFlag(kUsr, "Install3");
  }
}

TEST_F(InstallQueue, FailuresLeaveTheRegistryAlone) {
  const std::string before = SaveRegedit4(host.registry);
  struct Case {
    const char* what;
    int position;
    const char* source;
    std::function<void()> arrange;
  } cases[] = {
      {"source missing", 0, "C:\\tmp\\none.prc", [] {}},
      {"source is a folder", 0, "C:\\tmp", [] {}},
      {"user folder missing", 1, "C:\\tmp\\app.prc", [&] { fs::remove_all(C("Palm/BobF")); }},
      {"destination held open", 0, "C:\\tmp\\app.prc", [] {}},
      {"folder is not a plain name", 3, "C:\\tmp\\app.prc", [] {}},
  };
  TUserData d(host.platform);
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.arrange();
    std::unique_ptr<IFile> holder;
    if (std::string(c.what) == "destination held open") {
      WriteHostFile(C("Palm/AnnF/Install/app.prc"), "held");
      holder = host.files.Open("C:\\Palm\\AnnF\\Install\\app.prc", false, ShareMode::Exclusive);
    }
    EXPECT_FALSE(d.QueueInstall(c.position, c.source));
    EXPECT_EQ(SaveRegedit4(host.registry), before);
    EXPECT_TRUE(host.boxes.Boxes().empty());
  }
  // The ".." user wrote nothing above the desktop directory.
  EXPECT_FALSE(fs::exists(C("Install")));
  EXPECT_EQ(host.registry.OpenHandles(), 0u);
}

TEST_F(InstallQueue, RegistryChangedAfterStartUp) {
  struct Case {
    const char* what;
    std::function<void()> change;
    bool result;
    const char* flagVendor;  // where the flag lands, nullptr: nowhere
    bool box;
  } cases[] = {
      {"vendor keys gone", [&] { host.registry.DeleteKey(kUsr); }, false, nullptr, true},
      {"HotSync key gone", [&] { host.registry.DeleteKey(kUsr + "\\Pilot Desktop\\HotSync Manager"); }, false, nullptr,
       false},
      {"only Palm Computing now",
       [&] {
         host.registry.DeleteKey(kUsr);
         Desktop(kPalm, "C:\\Elsewhere");
       },
       true, "Software\\Palm Computing", false},
      {"U.S. Robotics without HotSync wins over Palm Computing",
       [&] {
         host.registry.DeleteKey(kUsr + "\\Pilot Desktop\\HotSync Manager");
         Desktop(kPalm);
       },
       false, nullptr, false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    host.registry.DeleteKey(kUsr);
    host.registry.DeleteKey(kPalm);
    host.boxes.Clear();
    fs::remove_all(C("Palm/AnnF/Install"));
    Desktop(kUsr);
    TUserData d(host.platform);
    ASSERT_EQ(d.UserCount(), 4);
    c.change();
    if (c.box) host.boxes.Answer(kIdOk);
    EXPECT_EQ(d.QueueInstall(0, "C:\\tmp\\app.prc"), c.result);
    // The copy comes first and stays, flag or no flag; the path found at start-up is used.
    EXPECT_EQ(Queued("AnnF", "app.prc"), "app v1");
    for (const std::string& vendor : {kUsr, kPalm}) {
      bool expected = c.flagVendor && vendor == c.flagVendor;
      EXPECT_EQ(Flag(vendor, "Install3").has_value(), expected) << vendor;
    }
    if (c.box) {
      ASSERT_EQ(host.boxes.Boxes().size(), 1u);
      const RecordedBox& b = host.boxes.Boxes()[0];
      EXPECT_EQ(b.owner, 0u);
      EXPECT_EQ(b.text, "The Pilot DeskTop Software is not Correctly Installed");
      EXPECT_EQ(b.caption, "Pilot Desktop Access");
      EXPECT_EQ(b.flags, kMbIconError | kMbOk);
    } else {
      EXPECT_TRUE(host.boxes.Boxes().empty());
    }
    // Never created by the queue.
    EXPECT_EQ(host.registry.KeyExists(kUsr),
              std::string(c.what) != "vendor keys gone" && std::string(c.what) != "only Palm Computing now");
    EXPECT_EQ(host.registry.OpenHandles(), 0u);
  }
}

TEST_F(InstallQueue, EmptyListDoesNothingEvenWithoutVendorKeys) {
  UsersFileAt("Palm", UsersDat({}, 0));
  TUserData d(host.platform);
  host.registry.DeleteKey(kUsr);
  EXPECT_FALSE(d.QueueInstall(0, "C:\\tmp\\app.prc"));
  EXPECT_TRUE(host.boxes.Boxes().empty());
  EXPECT_FALSE(fs::exists(C("Palm/AnnF/Install")));
}

TEST_F(InstallQueue, PathWithTrailingBackslashAndFlagNames) {
  host.registry.SetString(kUsr + "\\Pilot Desktop\\Core", "Path", "C:\\Palm\\");
  UsersFileAt("Palm", UsersDat({{0, "Zero", "AnnF"}, {65535, "Max", "BobF"}, {12, "Mid", "BobF"}}));
  TUserData d(host.platform);
  ASSERT_EQ(d.UserCount(), 3);
  for (int p = 0; p < 3; ++p) EXPECT_TRUE(d.QueueInstall(p, "C:\\tmp\\data.pdb"));
  for (const char* name : {"Install0", "Install65535", "Install12"}) ExpectFlag(kUsr, name);
  EXPECT_EQ(Queued("AnnF", "data.pdb"), "data");
}

TEST(FolderNames, PlainOnesOnly) {
  struct Case {
    const char* folder;
    bool plain;
  } cases[] = {{"SmithJ", true}, {"a b", true},   {".hidden", true}, {"", false},   {".", false},  {"..", false},
               {"...", false},   {"x\\y", false}, {"x/y", false},    {"C:", false}, {" .", false}, {"a.", true}};
  for (auto& c : cases) EXPECT_EQ(IsPlainFolderName(c.folder), c.plain) << c.folder;
}

TEST(SampleDesktop, ListsItsThreeUsers) {
  const fs::path sample = fs::path(__FILE__).parent_path() / ".." / ".." / "samples" / "desktop";
  std::error_code ec;
  if (!fs::is_directory(sample, ec)) GTEST_SKIP() << "the sources are not reachable from here";
  PortableHost host;
  host.files.MapDrive('C', sample / "C");
  auto r = LoadRegedit4(host.registry, ReadHostFile(sample / "registry.reg"));
  ASSERT_TRUE(r.ok) << r.line << ": " << r.error;
  TUserData d(host.platform);
  EXPECT_EQ(d.DesktopPath(), "C:\\Palm");
  EXPECT_EQ(UsersOf(d), (std::vector<User>{
                            {1, "Ann Smith", "SmithA"}, {2, "Bob Jones", "JonesB"}, {3, "Ren\xE9 Dubois", "DuboisR"}}));
  for (int i = 0; i < d.UserCount(); ++i) EXPECT_TRUE(host.files.DirectoryExists("C:\\Palm\\" + d.UserFolder(i)));
}

}  // namespace
}  // namespace qs
