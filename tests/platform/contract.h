// What every file system and registry of the platform must do alike. The portable tests run these
// checks over mapped host folders and the in-memory registry; the Windows tests run the very same
// checks over the real API, which keeps the portable ones honest.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "core/streams.h"
#include "platform/platform.h"

namespace qs::test {

// ---- files: root is an existing, empty folder with its trailing "\" ----------------------------

inline void Put(IFileSystem& fs, const std::string& path, const std::string& bytes) {
  auto f = fs.Create(path);
  ASSERT_TRUE(f) << path;
  ASSERT_EQ(f->Write(bytes.data(), bytes.size()), bytes.size());
}

inline std::string Get(IFileSystem& fs, const std::string& path) {
  auto f = fs.Open(path, false, ShareMode::DenyNone);
  if (!f) return "<cannot open>";
  std::string r(static_cast<std::size_t>(f->Size()), '\0');
  r.resize(f->Read(r.data(), r.size()));
  return r;
}

inline void FilesReadWriteSeek(IFileSystem& fs, const std::string& root) {
  const std::string path = root + "data.bin";
  auto f = fs.Create(path);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->Write("abcdef", 6), 6u);
  EXPECT_EQ(f->Size(), 6);
  EXPECT_EQ(f->Seek(1, 0), 1);
  char b[8] = {};
  EXPECT_EQ(f->Read(b, 2), 2u);
  EXPECT_EQ(std::string(b, 2), "bc");
  EXPECT_EQ(f->Write("X", 1), 1u);  // from reading to writing at position 3
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
  EXPECT_EQ(Get(fs, path), std::string("abcXef\0\0Z", 9));

  auto r = fs.Open(path, false, ShareMode::DenyWrite);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Write("q", 1), 0u);  // opened for reading only
  EXPECT_EQ(r->Size(), 9);
  r.reset();

  Put(fs, path, "new");  // create replaces and empties
  EXPECT_EQ(Get(fs, path), "new");
  // The same file by another spelling of its name.
  EXPECT_EQ(Get(fs, root + "DATA.BIN"), "new");
  TFileStream s(fs, path, FileMode::OpenReadWrite, ShareMode::DenyNone);
  EXPECT_EQ(s.Size(), 3);
  EXPECT_EQ(s.ReadU8(), 'n');

  EXPECT_FALSE(fs.Open(root + "missing.txt", false, ShareMode::DenyNone));
  EXPECT_FALSE(fs.Create(root + "nofolder\\x.txt"));
  EXPECT_FALSE(fs.Delete(root + "missing.txt"));
  EXPECT_EQ(fs.Attributes(root + "data.bin") & kAttrDirectory, 0u);
  EXPECT_NE(fs.Attributes(root + "data.bin"), kInvalidAttributes);
  EXPECT_EQ(fs.Attributes(root + "missing.txt"), kInvalidAttributes);
}

inline void FilesSharing(IFileSystem& fs, const std::string& root) {
  const std::string path = root + "s.dat";
  Put(fs, path, "1234");
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
  auto open = [&](const Opening& o, const std::string& p) {
    return o.kind == CreateNew ? fs.Create(p) : fs.Open(p, o.kind == ReadWrite, o.share);
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("sharing case " + std::to_string(i++));
    auto a = open(c.first, path);
    ASSERT_TRUE(a);
    auto b = open(c.second, path);
    EXPECT_EQ(b != nullptr, c.allowed);
  }
  // Deleting an open file fails, and so does copying onto a file that is open without sharing;
  // copying from a file that shares reading works.
  {
    auto h = fs.Open(path, false, ShareMode::DenyNone);
    EXPECT_FALSE(fs.Delete(path));
    Put(fs, root + "t.dat", "t");
    Put(fs, root + "w.dat", "w");
    auto locked = fs.Open(root + "w.dat", false, ShareMode::Exclusive);
    ASSERT_TRUE(locked);
    EXPECT_FALSE(fs.Copy(root + "t.dat", root + "w.dat", false));
    locked.reset();
    EXPECT_TRUE(fs.Copy(path, root + "u.dat", false));
    auto x = fs.Open(root + "t.dat", false, ShareMode::Exclusive);
    EXPECT_FALSE(fs.Copy(root + "t.dat", root + "v.dat", false));
  }
  EXPECT_TRUE(fs.Delete(path));
  EXPECT_EQ(fs.Attributes(path), kInvalidAttributes);
}

inline void FilesDirectories(IFileSystem& fs, const std::string& root) {
  struct Case {
    std::string path;
    bool created;
  } oneLevel[] = {
      {root + "Palm", true},
      {root + "Palm", false},                 // exists already
      {root + "Palm\\User\\Install", false},  // parent missing
      {root + "Palm\\User", true},
      {root + "palm\\user\\Install", true},
  };
  for (auto& c : oneLevel) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fs.CreateDirectory(c.path), c.created);
  }
  EXPECT_TRUE(fs.DirectoryExists(root + "Palm\\User\\Install"));
  EXPECT_EQ(fs.Attributes(root + "PALM") & kAttrDirectory, kAttrDirectory);

  Put(fs, root + "file", "f");
  EXPECT_TRUE(fs.ForceDirectories(root + "x\\y\\z"));
  EXPECT_TRUE(fs.DirectoryExists(root + "x\\y\\z"));
  EXPECT_TRUE(fs.ForceDirectories(root + "X\\Y"));
  EXPECT_TRUE(fs.ForceDirectories(root + "x\\y2\\"));
  EXPECT_TRUE(fs.DirectoryExists(root + "x\\y2"));
  EXPECT_FALSE(fs.ForceDirectories(root + "file\\sub"));
  EXPECT_FALSE(fs.CreateDirectory(root + "file"));
  EXPECT_FALSE(fs.Open(root + "x", false, ShareMode::DenyNone));
  EXPECT_FALSE(fs.Create(root + "x"));
  EXPECT_FALSE(fs.Delete(root + "x"));
  EXPECT_TRUE(fs.DirectoryExists(root + "x"));

  // A directory is removed only when it is empty; a file is no directory.
  EXPECT_FALSE(fs.RemoveDirectory(root + "x\\y"));
  EXPECT_TRUE(fs.RemoveDirectory(root + "x\\y\\z"));
  EXPECT_FALSE(fs.RemoveDirectory(root + "x\\y\\z"));
  EXPECT_FALSE(fs.DirectoryExists(root + "x\\y\\z"));
  EXPECT_FALSE(fs.RemoveDirectory(root + "file"));
  EXPECT_TRUE(fs.FileExists(root + "file"));

  // The temporary directory is there and ends in a separator.
  const std::string temp = fs.TempDirectory();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  EXPECT_TRUE(fs.DirectoryExists(temp));
}

inline void FilesCopy(IFileSystem& fs, const std::string& root) {
  Put(fs, root + "a.prc", "first");
  ASSERT_TRUE(fs.CreateDirectory(root + "dir"));
  const std::uint64_t stamp = 126000000000000000ULL;  // April 2000
  {
    auto f = fs.Open(root + "a.prc", true, ShareMode::DenyWrite);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->SetModificationTime(stamp));
    EXPECT_EQ(f->ModificationTime(), stamp);
  }
  EXPECT_TRUE(fs.Copy(root + "a.prc", root + "b.prc", true));
  EXPECT_EQ(Get(fs, root + "b.prc"), "first");
  {
    auto b = fs.Open(root + "b.prc", false, ShareMode::DenyNone);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->ModificationTime(), stamp);  // a copy keeps the time
  }
  Put(fs, root + "a.prc", "second");
  EXPECT_FALSE(fs.Copy(root + "a.prc", root + "b.prc", true));
  EXPECT_EQ(Get(fs, root + "b.prc"), "first");
  EXPECT_TRUE(fs.Copy(root + "a.prc", root + "B.PRC", false));
  EXPECT_EQ(Get(fs, root + "b.prc"), "second");
  EXPECT_FALSE(fs.Copy(root + "a.prc", root + "dir", false));
  EXPECT_FALSE(fs.Copy(root + "a.prc", root + "nodir\\a.prc", false));
  EXPECT_FALSE(fs.Copy(root + "none.prc", root + "c.prc", false));
  EXPECT_FALSE(fs.Copy(root + "dir", root + "c.prc", false));
  EXPECT_EQ(fs.Attributes(root + "c.prc"), kInvalidAttributes);
}

// ---- registry: base is an existing, empty key below HKEY_CURRENT_USER -------------------------

using SetString = std::function<void(const std::string& key, const std::string& name, const std::string& text)>;

inline void RegistryBasics(IRegistry& reg, const std::string& base, const SetString& setString) {
  RegKey k = 77;
  EXPECT_EQ(reg.OpenKey(kHKCU, base + "\\Vendor", k), kErrorFileNotFound);
  EXPECT_EQ(k, 0u);
  RegKey created = 0;
  ASSERT_EQ(reg.CreateKey(kHKCU, base + "\\Vendor\\Pilot Desktop\\Core", created), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(created), kErrorSuccess);
  setString(base + "\\Vendor\\Pilot Desktop\\Core", "Path", "C:\\Palm");

  RegKey vendor = 0, core = 0;
  ASSERT_EQ(reg.OpenKey(kHKCU, base + "\\VENDOR", vendor), kErrorSuccess);
  ASSERT_EQ(reg.OpenKey(vendor, "pilot desktop\\core", core), kErrorSuccess);
  struct Case {
    const char* name;
    std::uint32_t capacity;
    long rc;
    std::uint32_t sizeAfter;
  } cases[] = {
      {"Path", 256, kErrorSuccess, 8},
      {"PATH", 8, kErrorSuccess, 8},
      {"path", 7, kErrorMoreData, 8},
      {"Missing", 256, kErrorFileNotFound, 256},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.capacity));
    std::uint8_t buf[256] = {};
    std::uint32_t type = 99, size = c.capacity;
    EXPECT_EQ(reg.QueryValue(core, c.name, &type, buf, &size), c.rc);
    EXPECT_EQ(size, c.sizeAfter);
    if (c.rc == kErrorSuccess) {
      EXPECT_EQ(type, kRegSz);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(buf)), "C:\\Palm");
    }
  }
  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.QueryValue(core, "Path", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(size, 8u);

  // A DWORD replaces a value of any type, found without regard to case.
  EXPECT_EQ(reg.SetDword(core, "path", 1), kErrorSuccess);
  std::uint8_t buf[8] = {};
  size = sizeof buf;
  EXPECT_EQ(reg.QueryValue(core, "Path", &type, buf, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegDword);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buf[0], 1);
  EXPECT_EQ(buf[1] | buf[2] | buf[3], 0);
  EXPECT_EQ(reg.SetDword(core, "Install65535", 0x01020304u), kErrorSuccess);
  size = sizeof buf;
  EXPECT_EQ(reg.QueryValue(core, "install65535", &type, buf, &size), kErrorSuccess);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[3], 1);

  EXPECT_EQ(reg.CloseKey(core), kErrorSuccess);
  EXPECT_EQ(reg.CloseKey(vendor), kErrorSuccess);
  RegKey again = 0;
  EXPECT_EQ(reg.OpenKey(kHKCU, base + "\\Vendor\\Pilot Desktop\\HotSync Manager", again), kErrorFileNotFound);
}

}  // namespace qs::test
