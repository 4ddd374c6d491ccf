#include "platform/portable/files.h"

#include <gtest/gtest.h>

#include <chrono>

#include "core/streams.h"
#include "platform/contract.h"
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

TEST_F(PortableFiles, BehaveAsWindowsFiles) {
  test::FilesReadWriteSeek(files, "C:\\");
  fs::create_directories(C("s"));
  test::FilesSharing(files, "C:\\s\\");
  fs::create_directories(C("d"));
  test::FilesDirectories(files, "C:\\d\\");
  fs::create_directories(C("c"));
  test::FilesCopy(files, "C:\\c\\");
  EXPECT_EQ(files.OpenFiles(), 0u);
}

TEST_F(PortableFiles, HandlesAreCountedAndRootsAreNotFiles) {
  Make("C:\\a.prc", "a");
  {
    auto one = files.Open("C:\\a.prc", false, ShareMode::DenyNone);
    auto two = files.Open("c:\\A.PRC", false, ShareMode::DenyNone);
    EXPECT_EQ(files.OpenFiles(), 2u);
    auto none = files.Open("C:\\a.prc", true, ShareMode::DenyReadWrite);
    EXPECT_EQ(files.OpenFiles(), 2u);
  }
  EXPECT_EQ(files.OpenFiles(), 0u);
  EXPECT_FALSE(files.Copy("C:\\a.prc", "C:\\A.prc", false));  // onto itself
  EXPECT_FALSE(files.Create("C:\\"));
  EXPECT_FALSE(files.CreateDirectory("C:\\"));
  EXPECT_TRUE(files.ForceDirectories("C:\\"));
  EXPECT_EQ(files.Attributes("C:\\"), kAttrDirectory);
  EXPECT_EQ(ReadHostFile(C("a.prc")), "a");
}

// A read-only drive (a CD): what is there can be read, nothing can be made, changed or removed.
TEST_F(PortableFiles, ReadOnlyDrive) {
  Make("D:\\a.prc", "a");
  Make("C:\\x", "x");
  ASSERT_TRUE(files.CreateDirectory("D:\\dir"));
  files.SetReadOnly('d', true);
  EXPECT_TRUE(files.Open("D:\\a.prc", false, ShareMode::DenyNone));
  EXPECT_FALSE(files.Open("D:\\a.prc", true, ShareMode::DenyNone));
  EXPECT_FALSE(files.Create("D:\\a.prc"));
  EXPECT_FALSE(files.Create("D:\\b.prc"));
  EXPECT_FALSE(files.Delete("D:\\a.prc"));
  EXPECT_FALSE(files.Copy("C:\\x", "D:\\x", false));
  EXPECT_FALSE(files.CreateDirectory("D:\\new"));
  EXPECT_FALSE(files.ForceDirectories("D:\\dir\\sub"));
  EXPECT_TRUE(files.ForceDirectories("D:\\dir"));
  EXPECT_FALSE(files.RemoveDirectory("D:\\dir"));
  EXPECT_TRUE(files.Copy("D:\\a.prc", "C:\\y", false));  // other drives stay writable
  files.SetReadOnly('D', false);
  EXPECT_TRUE(files.Delete("D:\\a.prc"));
  EXPECT_TRUE(files.RemoveDirectory("D:\\dir"));
}

// The temporary directory: the root of the current drive, or the folder set, with a separator.
TEST_F(PortableFiles, TempDirectory) {
  EXPECT_EQ(files.TempDirectory(), "C:\\");
  files.SetCurrentDrive('d');
  EXPECT_EQ(files.TempDirectory(), "D:\\");
  files.SetTempDirectory("C:\\Temp");
  EXPECT_EQ(files.TempDirectory(), "C:\\Temp\\");
  files.SetTempDirectory("C:\\Temp\\");
  EXPECT_EQ(files.TempDirectory(), "C:\\Temp\\");
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
