#include "platform/portable/files.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/streams.h"
#include "platform/temp_dir.h"

namespace qs {
namespace {

namespace fs = std::filesystem;
using test::ReadHostFile;
using test::TempDir;
using test::WriteHostFile;

TEST(WindowsPathParse, NormalisesAndRefuses) {
  struct Case {
    const char* in;
    char current;
    const char* out;  // nullptr: refused
  };
  const std::string fits = "C:\\" + std::string(256, 'a');     // 259 characters
  const std::string tooLong = "C:\\" + std::string(257, 'a');  // 260 characters
  const Case cases[] = {
      {"C:\\a\\b", 'C', "C:\\a\\b"},
      {"c:\\A\\..\\b", 'C', "C:\\b"},
      {"C:\\..\\..\\x", 'C', "C:\\x"},
      {"C:\\a\\b\\..\\..\\..\\..", 'C', "C:\\"},
      {"\\Group\\x", 'D', "D:\\Group\\x"},
      {"x\\y", 'C', "C:\\x\\y"},
      {"C:x", 'D', "C:\\x"},
      {"C:", 'D', "C:\\"},
      {"C:\\a\\\\b\\", 'C', "C:\\a\\b"},
      {"C:\\a\\.\\b.", 'C', "C:\\a\\b"},
      {"C:\\a\\...\\b  ", 'C', "C:\\a\\b"},
      {"C:\\ lead", 'C', "C:\\ lead"},
      {"C:\\com10\\lpt0", 'C', "C:\\com10\\lpt0"},
      {"C:\\a/b", 'C', nullptr},
      {"C:/a", 'C', nullptr},
      {"\\\\server\\share\\x", 'C', nullptr},
      {"C:\\a:b", 'C', nullptr},
      {"C:\\a?b", 'C', nullptr},
      {"C:\\a*", 'C', nullptr},
      {"C:\\a\"b", 'C', nullptr},
      {"C:\\a<b>", 'C', nullptr},
      {"C:\\a|b", 'C', nullptr},
      {"C:\\a\tb", 'C', nullptr},
      {"C:\\con", 'C', nullptr},
      {"C:\\x\\NUL.txt", 'C', nullptr},
      {"C:\\Com1", 'C', nullptr},
      {"C:\\aux .log", 'C', nullptr},
      {"1:\\a", 'C', nullptr},
      {"", 'C', nullptr},
      {fits.c_str(), 'C', fits.c_str()},
      {tooLong.c_str(), 'C', nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    auto p = ParseWindowsPath(c.in, c.current);
    if (!c.out) {
      EXPECT_FALSE(p.has_value());
    } else {
      ASSERT_TRUE(p.has_value());
      EXPECT_EQ(p->Text(), c.out);
    }
  }
  EXPECT_FALSE(ParseWindowsPath(std::string("C:\\a\0b", 6), 'C').has_value());
}

class PortableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(tmp.Path() / "c");
    fs::create_directories(tmp.Path() / "d");
    files.MapDrive('C', tmp.Path() / "c");
    files.MapDrive('d', tmp.Path() / "d");
  }
  fs::path C(const std::string& rel) { return tmp.Path() / "c" / rel; }

  void Make(const std::string& path, const std::string& bytes) {
    auto f = files.Create(path);
    ASSERT_TRUE(f) << path;
    ASSERT_EQ(f->Write(bytes.data(), bytes.size()), bytes.size());
  }

  TempDir tmp;
  PortableFileSystem files;
};

TEST_F(PortableFiles, DotDotStaysInsideTheMappedFolder) {
  WriteHostFile(tmp.Path() / "secret.txt", "outside");
  struct Case {
    const char* path;
    const char* hostBelowC;  // where it lands, below the folder of C:
  } cases[] = {
      {"C:\\..\\secret.txt", "secret.txt"},
      {"C:\\a\\..\\..\\..\\secret.txt", "secret.txt"},
      {"\\..\\..\\escape.txt", "escape.txt"},
      {"..\\x.txt", "x.txt"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto host = files.HostPath(c.path);
    ASSERT_TRUE(host);
    EXPECT_EQ(host->lexically_normal(), C(c.hostBelowC).lexically_normal());
  }
  EXPECT_FALSE(files.Open("C:\\..\\secret.txt", false, ShareMode::DenyNone));
  Make("C:\\..\\..\\escape.txt", "in");
  EXPECT_TRUE(fs::exists(C("escape.txt")));
  EXPECT_FALSE(fs::exists(tmp.Path() / "escape.txt"));
  EXPECT_EQ(ReadHostFile(tmp.Path() / "secret.txt"), "outside");
}

TEST_F(PortableFiles, UnmappedDriveAndRefusedPathsFailCleanly) {
  WriteHostFile(C("x.txt"), "x");
  for (const char* bad : {"E:\\x.txt", "\\\\srv\\share\\x.txt", "C:/x.txt", "C:\\x.txt:stream"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(files.HostPath(bad));
    EXPECT_FALSE(files.Open(bad, false, ShareMode::DenyNone));
    EXPECT_FALSE(files.Create(bad));
    EXPECT_FALSE(files.Delete(bad));
    EXPECT_FALSE(files.CreateDirectory(bad));
    EXPECT_FALSE(files.ForceDirectories(bad));
    EXPECT_EQ(files.Attributes(bad), kInvalidAttributes);
    EXPECT_FALSE(files.Copy("C:\\x.txt", bad, false));
    EXPECT_FALSE(files.Copy(bad, "C:\\y.txt", false));
  }
  files.UnmapDrive('C');
  EXPECT_EQ(files.Attributes("C:\\x.txt"), kInvalidAttributes);
}

TEST_F(PortableFiles, CurrentDriveAndCaseOfExistingNames) {
  WriteHostFile(tmp.Path() / "d" / "Palm" / "Users.DAT", "u");
  files.SetCurrentDrive('d');
  EXPECT_EQ(files.CurrentDrive(), 'D');
  EXPECT_EQ(files.Attributes("\\PALM\\users.dat"), kAttrNormal);
  EXPECT_EQ(*files.HostPath("\\palm\\USERS.dat"), tmp.Path() / "d" / "Palm" / "Users.DAT");
  // New names are made as written, below existing folders found without regard to case.
  Make("D:\\pALM\\New.prc", "n");
  EXPECT_TRUE(fs::exists(tmp.Path() / "d" / "Palm" / "New.prc"));
  EXPECT_EQ(files.Attributes("d:\\palm"), kAttrDirectory);
  EXPECT_EQ(files.Attributes("D:\\"), kAttrDirectory);
  EXPECT_EQ(files.Attributes("D:\\Palm\\missing"), kInvalidAttributes);
  EXPECT_TRUE(files.FileExists("D:\\palm\\new.PRC"));
  EXPECT_TRUE(files.DirectoryExists("D:\\palm\\"));
}

TEST_F(PortableFiles, ReadWriteSeekAndSize) {
  auto f = files.Create("C:\\data.bin");
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Write("abcdef", 6), 6u);
  EXPECT_EQ(f->Size(), 6);
  EXPECT_EQ(f->Seek(1, 0), 1);
  char b[8] = {};
  EXPECT_EQ(f->Read(b, 2), 2u);
  EXPECT_EQ(std::string(b, 2), "bc");
  EXPECT_EQ(f->Write("X", 1), 1u);  // switching from reading to writing at position 3
  EXPECT_EQ(f->Seek(-1, 2), 5);
  EXPECT_EQ(f->Read(b, 8), 1u);
  EXPECT_EQ(b[0], 'f');
  EXPECT_EQ(f->Read(b, 8), 0u);
  EXPECT_EQ(f->Seek(-10, 1), -1);
  EXPECT_EQ(f->Seek(0, 1), 6);
  EXPECT_EQ(f->Seek(2, 2), 8);  // past the end; a write there fills the gap with zeros
  EXPECT_EQ(f->Write("Z", 1), 1u);
  EXPECT_EQ(f->Size(), 9);
  EXPECT_EQ(f->Seek(0, 7), -1);
  f.reset();
  EXPECT_EQ(ReadHostFile(C("data.bin")), std::string("abcXef\0\0Z", 9));

  auto r = files.Open("C:\\data.bin", false, ShareMode::DenyWrite);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Write("q", 1), 0u);  // opened for reading only
  EXPECT_EQ(r->Size(), 9);
  r.reset();

  Make("C:\\data.bin", "new");  // create replaces and empties
  EXPECT_EQ(ReadHostFile(C("data.bin")), "new");

  TFileStream s(files, "C:\\data.bin", FileMode::OpenReadWrite, ShareMode::DenyNone);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.ReadU8(), 'n');
}

TEST_F(PortableFiles, OpenAndCreateNeedTheRightThingsThere) {
  fs::create_directories(C("dir"));
  EXPECT_FALSE(files.Open("C:\\missing.txt", false, ShareMode::DenyNone));
  EXPECT_FALSE(files.Open("C:\\dir", false, ShareMode::DenyNone));
  EXPECT_FALSE(files.Create("C:\\dir"));
  EXPECT_FALSE(files.Create("C:\\nofolder\\x.txt"));
  EXPECT_FALSE(files.Create("C:\\"));
  EXPECT_FALSE(files.Delete("C:\\dir"));
  EXPECT_FALSE(files.Delete("C:\\missing.txt"));
  EXPECT_TRUE(fs::is_directory(C("dir")));
}

TEST_F(PortableFiles, SharingBetweenOpenHandles) {
  Make("C:\\s.dat", "1234");
  enum Kind { Read, ReadWrite, CreateNew };
  struct Opening {
    Kind kind;
    ShareMode share;
  };
  struct Case {
    Opening first, second;
    bool allowed;
  } cases[] = {
      {{Read, ShareMode::DenyNone}, {Read, ShareMode::DenyNone}, true},
      {{ReadWrite, ShareMode::DenyNone}, {ReadWrite, ShareMode::DenyNone}, true},
      {{Read, ShareMode::DenyWrite}, {Read, ShareMode::DenyWrite}, true},
      {{Read, ShareMode::DenyWrite}, {ReadWrite, ShareMode::DenyNone}, false},
      {{ReadWrite, ShareMode::DenyNone}, {Read, ShareMode::DenyWrite}, false},
      {{ReadWrite, ShareMode::DenyWrite}, {Read, ShareMode::DenyNone}, true},
      {{ReadWrite, ShareMode::DenyWrite}, {ReadWrite, ShareMode::DenyNone}, false},
      {{Read, ShareMode::DenyReadWrite}, {Read, ShareMode::DenyNone}, false},
      {{Read, ShareMode::DenyNone}, {Read, ShareMode::Exclusive}, false},
      {{CreateNew, ShareMode::DenyWrite}, {Read, ShareMode::DenyNone}, true},
      {{CreateNew, ShareMode::DenyWrite}, {Read, ShareMode::DenyWrite}, false},
      {{CreateNew, ShareMode::DenyWrite}, {ReadWrite, ShareMode::DenyNone}, false},
      {{Read, ShareMode::DenyNone}, {CreateNew, ShareMode::DenyWrite}, true},
      {{Read, ShareMode::DenyWrite}, {CreateNew, ShareMode::DenyWrite}, false},
  };
  auto open = [&](const Opening& o, const std::string& path) {
    return o.kind == CreateNew ? files.Create(path) : files.Open(path, o.kind == ReadWrite, o.share);
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(i++);
    auto a = open(c.first, "C:\\s.dat");
    ASSERT_TRUE(a);
    // The same file by another spelling is the same file.
    auto b = open(c.second, "c:\\S.DAT");
    EXPECT_EQ(b != nullptr, c.allowed);
    EXPECT_EQ(files.OpenFiles(), c.allowed ? 2u : 1u);
  }
  EXPECT_EQ(files.OpenFiles(), 0u);

  // Deleting and copying onto an open file fail; after closing they work.
  {
    auto h = files.Open("C:\\s.dat", false, ShareMode::DenyNone);
    EXPECT_FALSE(files.Delete("C:\\s.dat"));
    Make("C:\\t.dat", "t");
    EXPECT_FALSE(files.Copy("C:\\t.dat", "C:\\s.dat", false));
    EXPECT_TRUE(files.Copy("C:\\s.dat", "C:\\u.dat", false));  // reading beside a sharing reader
    auto x = files.Open("C:\\t.dat", false, ShareMode::Exclusive);
    EXPECT_FALSE(files.Copy("C:\\t.dat", "C:\\v.dat", false));
  }
  EXPECT_TRUE(files.Delete("C:\\s.dat"));
  EXPECT_FALSE(fs::exists(C("s.dat")));
}

TEST_F(PortableFiles, DirectoriesOneLevelAndForced) {
  struct Case {
    const char* path;
    bool created;
  } oneLevel[] = {
      {"C:\\Palm", true},
      {"C:\\Palm", false},                 // exists already
      {"C:\\Palm\\User\\Install", false},  // parent missing
      {"C:\\Palm\\User", true},
      {"C:\\palm\\user\\Install", true},
      {"C:\\", false},
  };
  for (auto& c : oneLevel) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(files.CreateDirectory(c.path), c.created);
  }
  EXPECT_TRUE(fs::is_directory(C("Palm/User/Install")));

  Make("C:\\file", "f");
  EXPECT_TRUE(files.ForceDirectories("C:\\x\\y\\z"));
  EXPECT_TRUE(fs::is_directory(C("x/y/z")));
  EXPECT_TRUE(files.ForceDirectories("C:\\X\\Y"));  // exists, in another case
  EXPECT_TRUE(files.ForceDirectories("C:\\"));
  EXPECT_FALSE(files.ForceDirectories("C:\\file\\sub"));
  EXPECT_FALSE(files.CreateDirectory("C:\\file"));
}

TEST_F(PortableFiles, CopyReplacesKeepsTheTimeAndHonoursFailIfExists) {
  Make("C:\\a.prc", "first");
  fs::create_directories(C("dir"));
  const std::uint64_t stamp = 126000000000000000ULL;  // April 2000
  {
    auto f = files.Open("C:\\a.prc", true, ShareMode::DenyWrite);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->SetModificationTime(stamp));
  }
  EXPECT_TRUE(files.Copy("C:\\a.prc", "C:\\b.prc", true));
  EXPECT_EQ(ReadHostFile(C("b.prc")), "first");
  auto b = files.Open("C:\\b.prc", false, ShareMode::DenyNone);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->ModificationTime(), stamp);
  b.reset();

  Make("C:\\a.prc", "second");
  EXPECT_FALSE(files.Copy("C:\\a.prc", "C:\\b.prc", true));
  EXPECT_EQ(ReadHostFile(C("b.prc")), "first");
  EXPECT_TRUE(files.Copy("C:\\a.prc", "C:\\B.PRC", false));
  EXPECT_EQ(ReadHostFile(C("b.prc")), "second");

  EXPECT_FALSE(files.Copy("C:\\a.prc", "C:\\a.prc", false));  // onto itself
  EXPECT_FALSE(files.Copy("C:\\a.prc", "C:\\dir", false));    // onto a folder
  EXPECT_FALSE(files.Copy("C:\\a.prc", "C:\\dir\\", false));
  EXPECT_FALSE(files.Copy("C:\\a.prc", "C:\\nodir\\a.prc", false));
  EXPECT_FALSE(files.Copy("C:\\none.prc", "C:\\c.prc", false));
  EXPECT_FALSE(files.Copy("C:\\dir", "C:\\c.prc", false));
  EXPECT_TRUE(files.Copy("C:\\a.prc", "D:\\a.prc", false));
  EXPECT_EQ(ReadHostFile(tmp.Path() / "d" / "a.prc"), "second");
}

TEST_F(PortableFiles, ModificationTimeIsAFiletime) {
  Make("C:\\t.bin", "t");
  // FILETIME counts 100 ns steps from 1601; the host counts from 1970.
  struct Case {
    std::uint64_t filetime;
    std::int64_t unixSeconds;
  } cases[] = {
      {116444736000000000ULL, 0},
      {116444736000000000ULL + 86400ULL * 10000000ULL, 86400},
      {130000000000000000ULL, 1355526400},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.filetime);
    {
      auto f = files.Open("C:\\t.bin", true, ShareMode::DenyWrite);
      ASSERT_TRUE(f);
      EXPECT_EQ(f->Write("x", 1), 1u);  // a pending write must not stamp the file again on close
      ASSERT_TRUE(f->SetModificationTime(c.filetime));
      EXPECT_EQ(f->ModificationTime(), c.filetime);
    }
    auto host = std::chrono::file_clock::to_sys(fs::last_write_time(C("t.bin")));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(host.time_since_epoch()).count(), c.unixSeconds);
    auto f = files.Open("C:\\t.bin", false, ShareMode::DenyNone);
    EXPECT_EQ(f->ModificationTime(), c.filetime);
  }
}

}  // namespace
}  // namespace qs
