#include "install/filecopy.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/streams.h"
#include "install/fixture.h"

namespace qs {
namespace {

using test::InstallHost;

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

TEST(FileCopy, Destinations) {
  struct Case {
    const char* name;
    std::string destination;
    std::vector<std::string> dirs;  // existing before the copy
    std::string result;             // where the copy lands
  };
  const Case cases[] = {
      {"file name", "C:\\Dest\\b.txt", {"C:\\Dest"}, "C:\\Dest\\b.txt"},
      {"existing directory", "C:\\Dest", {"C:\\Dest"}, "C:\\Dest\\a.txt"},
      {"existing directory with separator", "C:\\Dest\\", {"C:\\Dest"}, "C:\\Dest\\a.txt"},
      {"drive root", "C:\\", {}, "C:\\a.txt"},
      {"drive only", "C:", {}, "C:a.txt"},
      {"missing tree", "C:\\New\\Deep\\er\\c.txt", {}, "C:\\New\\Deep\\er\\c.txt"},
      {"missing directory is a file name", "C:\\Dest\\Sub", {"C:\\Dest"}, "C:\\Dest\\Sub"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallHost h;
    h.Write("C:\\Src\\a.txt", "payload");
    for (const auto& d : c.dirs) h.host.files.ForceDirectories(d);
    FileCopy(h.host.files, "C:\\Src\\a.txt", c.destination);
    EXPECT_EQ(h.Read(c.result), "payload");
    EXPECT_EQ(h.Read("C:\\Src\\a.txt"), "payload");
    EXPECT_EQ(h.host.files.OpenFiles(), 0u);
  }
}

TEST(FileCopy, ContentAndTimeAcrossBlockSizes) {
  for (std::size_t n : {0u, 1u, 8191u, 8192u, 8193u, 3u * 8192u, 100000u}) {
    SCOPED_TRACE(n);
    InstallHost h;
    const std::string content = Pattern(n);
    h.Write("C:\\a.bin", content);
    h.Write("C:\\Dest\\a.bin", std::string(200000, 'x'));  // a longer file is replaced whole
    const std::uint64_t old = 132000000000000000ull;       // 2019
    ASSERT_TRUE(h.host.files.Open("C:\\a.bin", true, ShareMode::DenyNone)->SetModificationTime(old));
    FileCopy(h.host.files, "C:\\a.bin", "C:\\Dest");
    EXPECT_EQ(h.Read("C:\\Dest\\a.bin"), content);
    EXPECT_EQ(h.host.files.Open("C:\\Dest\\a.bin", false, ShareMode::DenyNone)->ModificationTime(), old);
  }
}

TEST(FileCopy, Failures) {
  struct Case {
    const char* name;
    std::string source, destination;
    std::string message;
  };
  const std::string open = "Impossible d'ouvrir le fichier ", create =
                                                                  "Impossible de cr\xE9"
                                                                  "er le fichier ";
  const Case cases[] = {
      {"missing source", "C:\\nothing.txt", "C:\\Dest\\x.txt", open + "C:\\nothing.txt"},
      {"destination below a file", "C:\\Src\\a.txt", "C:\\Src\\a.txt\\x.txt", create + "C:\\Src\\a.txt\\x.txt"},
      {"destination not a valid name", "C:\\Src\\a.txt", "C:\\Dest\\x|y.txt", create + "C:\\Dest\\x|y.txt"},
      {"same file as the source", "C:\\Src\\a.txt", "C:\\Src\\a.txt", create + "C:\\Src\\a.txt"},
      {"same file through its directory", "C:\\Src\\a.txt", "C:\\Src", create + "C:\\Src\\a.txt"},
      {"same file, other case", "C:\\Src\\a.txt", "c:\\SRC\\A.TXT", create + "c:\\SRC\\A.TXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallHost h;
    h.Write("C:\\Src\\a.txt", "payload");
    try {
      FileCopy(h.host.files, c.source, c.destination);
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& e) {
      EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_EQ(h.Read("C:\\Src\\a.txt"), "payload") << "the source is never harmed";
    EXPECT_EQ(h.host.files.OpenFiles(), 0u);
  }
}

TEST(FileCopy, SourceOpenForWritingElsewhere) {
  InstallHost h;
  h.Write("C:\\a.txt", "x");
  auto writer = h.host.files.Open("C:\\a.txt", true, ShareMode::DenyNone);
  ASSERT_TRUE(writer);
  EXPECT_THROW(FileCopy(h.host.files, "C:\\a.txt", "C:\\b.txt"), EFOpenError);
  // A reader that shares reading does not stop the copy.
  writer.reset();
  auto reader = h.host.files.Open("C:\\a.txt", false, ShareMode::DenyNone);
  EXPECT_NO_THROW(FileCopy(h.host.files, "C:\\a.txt", "C:\\b.txt"));
}

// A file system whose files fail after a number of bytes, for read and write errors.
class FailingFiles : public IFileSystem {
 public:
  explicit FailingFiles(IFileSystem& inner) : inner_(inner) {}
  std::size_t readLimit = SIZE_MAX, writeLimit = SIZE_MAX;

  std::unique_ptr<IFile> Open(const std::string& p, bool w, ShareMode s) override { return Wrap(inner_.Open(p, w, s)); }
  std::unique_ptr<IFile> Create(const std::string& p) override { return Wrap(inner_.Create(p)); }
  bool Delete(const std::string& p) override { return inner_.Delete(p); }
  bool Copy(const std::string& a, const std::string& b, bool f) override { return inner_.Copy(a, b, f); }
  bool CreateDirectory(const std::string& p) override { return inner_.CreateDirectory(p); }
  bool ForceDirectories(const std::string& p) override { return inner_.ForceDirectories(p); }
  std::uint32_t Attributes(const std::string& p) override { return inner_.Attributes(p); }
  bool RemoveDirectory(const std::string& p) override { return inner_.RemoveDirectory(p); }
  std::string TempDirectory() override { return inner_.TempDirectory(); }

 private:
  class File : public IFile {
   public:
    File(std::unique_ptr<IFile> f, FailingFiles& o) : f_(std::move(f)), o_(o) {}
    std::size_t Read(void* b, std::size_t n) override {
      n = std::min(n, o_.readLimit - std::min(o_.readLimit, read_));
      std::size_t r = f_->Read(b, n);
      read_ += r;
      return r;
    }
    std::size_t Write(const void* b, std::size_t n) override {
      n = std::min(n, o_.writeLimit - std::min(o_.writeLimit, written_));
      std::size_t r = f_->Write(b, n);
      written_ += r;
      return r;
    }
    std::int64_t Seek(std::int64_t o, int origin) override { return f_->Seek(o, origin); }
    std::int64_t Size() override { return f_->Size(); }
    std::uint64_t ModificationTime() override { return f_->ModificationTime(); }
    bool SetModificationTime(std::uint64_t t) override { return f_->SetModificationTime(t); }

   private:
    std::unique_ptr<IFile> f_;
    FailingFiles& o_;
    std::size_t read_ = 0, written_ = 0;
  };
  std::unique_ptr<IFile> Wrap(std::unique_ptr<IFile> f) {
    return f ? std::make_unique<File>(std::move(f), *this) : nullptr;
  }
  IFileSystem& inner_;
};

TEST(FileCopy, ReadAndWriteFailures) {
  struct Case {
    std::size_t readLimit, writeLimit;
    const char* message;
  };
  const Case cases[] = {
      {10000, SIZE_MAX, "Erreur de lecture du flux"},  // the read fails inside the second block
      {8192, SIZE_MAX, "Erreur de lecture du flux"},   // on a block boundary
      {SIZE_MAX, 100,
       "Erreur d'\xE9"
       "criture dans le flux"},  // disk full
      {SIZE_MAX, 8192,
       "Erreur d'\xE9"
       "criture dans le flux"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    InstallHost h;
    h.Write("C:\\a.bin", Pattern(20000));
    FailingFiles files(h.host.files);
    files.readLimit = c.readLimit;
    files.writeLimit = c.writeLimit;
    try {
      FileCopy(files, "C:\\a.bin", "C:\\b.bin");
      ADD_FAILURE() << "no error";
    } catch (const EStreamError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(h.host.files.OpenFiles(), 0u);
  }
}

TEST(SaveStreamToFile, WritesOrReplaces) {
  struct Case {
    std::string content, existing, path;
    bool ok;
  };
  const Case cases[] = {
      {"new", "", "C:\\x.bin", true},           {"short", "a much longer file that was there", "C:\\x.bin", true},
      {"", "old", "C:\\x.bin", true},           {Pattern(70000), "", "C:\\x.bin", true},
      {"x", "", "C:\\NoSuchDir\\x.bin", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + std::to_string(c.content.size()));
    InstallHost h;
    if (!c.existing.empty()) h.Write(c.path, c.existing);
    TMemoryStream m(std::vector<std::uint8_t>(c.content.begin(), c.content.end()));
    m.SetPosition(static_cast<std::int64_t>(c.content.size() / 2));  // written from the start regardless
    if (c.ok) {
      SaveStreamToFile(h.host.files, m, c.path);
      EXPECT_EQ(h.Read(c.path), c.content);
    } else {
      try {
        SaveStreamToFile(h.host.files, m, c.path);
        ADD_FAILURE() << "no error";
      } catch (const EFCreateError& e) {
        EXPECT_EQ(e.what(),
                  "Impossible de cr\xE9"
                  "er le fichier " +
                      c.path);
      }
    }
  }
}

}  // namespace
}  // namespace qs
