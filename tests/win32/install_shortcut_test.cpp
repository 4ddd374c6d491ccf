// Shortcuts and file copies on the real system: the Programs folder from the real registry, links
// saved by the shell's object and read back, copies through the Win32 file system.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/errors.h"
#include "install/filecopy.h"
#include "install/lnk_reader.h"
#include "install/shortcut.h"
#include "platform/win32/host_win32.h"
#include "platform/win32/shelllinks_win32.h"

namespace qs {
namespace {

std::string TempDirectory(const char* name) {
  char dir[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, dir);
  std::string d = std::string(dir) + name;
  CreateDirectoryA(d.c_str(), nullptr);
  return d;
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA f;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &f);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string n = f.cFileName;
      if (n == "." || n == "..") continue;
      if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(dir + "\\" + n);
      else
        DeleteFileA((dir + "\\" + n).c_str());
    } while (FindNextFileA(h, &f));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

// Points the current user's "Programs" at a folder of the test's own, and puts the value back.
class ProgramsValue {
 public:
  ProgramsValue() {
    RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kExplorerKey) + "\\Shell Folders").c_str(), 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "Programs", nullptr, &type_, old_, &size) == ERROR_SUCCESS;
    oldSize_ = size;
  }
  ~ProgramsValue() {
    if (had_)
      RegSetValueExA(key_, "Programs", 0, type_, old_, oldSize_);
    else
      RegDeleteValueA(key_, "Programs");
    RegCloseKey(key_);
  }
  void Set(DWORD type, const std::string& data) {
    RegSetValueExA(key_, "Programs", 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
  }

 private:
  HKEY key_ = nullptr;
  bool had_ = false;
  DWORD type_ = 0, oldSize_ = 0;
  BYTE old_[2048] = {};
};

struct ShortcutRun {
  Win32Host host;
  Win32ShellLinks links;
  ShortcutRun() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    host.platform.shellLinks = &links;
  }
  ~ShortcutRun() { CoUninitialize(); }
};

TEST(InstallShortcut, OnTheRealSystem) {
  ShortcutRun run;
  ProgramsValue programs;
  const std::string menu = TempDirectory("qs menu");
  const std::string target = menu + "\\tool.exe";
  std::ofstream(target) << "MZ";
  programs.Set(REG_SZ, menu);
  struct Case {
    const char* name;
    std::string group, title;
    std::string link;  // "" for none
  };
  const Case cases[] = {
      {"group folder created", "Games", "Solitaire", menu + "\\Games\\Solitaire.lnk"},
      {"empty group", "", "Direct", menu + "\\Direct.lnk"},
      {"accented title (ANSI path to UTF-16)", "Jeux", "R\xE9ussite", menu + "\\Jeux\\R\xE9ussite.lnk"},
      {"subgroup without parent", "Missing\\Sub", "X", ""},
      {"invalid title", "Games", "a|b", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NO_THROW(CreateShortcut(run.host.platform, target, "-a", menu, c.title, c.group));
    if (c.link.empty()) {
      if (c.group.find('\\') != std::string::npos) {
        EXPECT_FALSE(Exists(menu + "\\" + c.group));
      }
      EXPECT_FALSE(Exists(menu + "\\" + c.group + "\\" + c.title + ".lnk"));
      continue;
    }
    ASSERT_TRUE(Exists(c.link));
    auto f = test::ReadLinkFile(Bytes(c.link));
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(f.arguments, "-a");
    EXPECT_EQ(f.workingDirectory, menu);
    EXPECT_EQ(f.itemNames.empty() ? "" : f.itemNames.back(), "tool.exe");
  }
  // The same title again replaces the link.
  CreateShortcut(run.host.platform, target, "-second", "", "Solitaire", "Games");
  EXPECT_EQ(test::ReadLinkFile(Bytes(menu + "\\Games\\Solitaire.lnk")).arguments, "-second");

  // A value of the wrong type.
  programs.Set(REG_DWORD, "abc");
  try {
    CreateShortcut(run.host.platform, target, "", "", "T", "G");
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(),
                 "Type de donn\xE9"
                 "es incorrect pour 'Programs'");
  }
  // An expandable string is used as stored.
  programs.Set(REG_EXPAND_SZ, "%QS_NOT_EXPANDED%");
  EXPECT_EQ(ProgramsFolder(run.host.registry), "%QS_NOT_EXPANDED%");
  RemoveTree(menu);
}

TEST(InstallShortcut, ErrorTexts) {
  EXPECT_EQ(OleErrorMessage(static_cast<HResult>(0x80040154u), ""), "Erreur OLE 80040154");
  // The system's own text, without its line end and full stop.
  const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
  EXPECT_NE(text.back(), '\n');
}

TEST(InstallFileCopy, OnTheRealSystem) {
  Win32Host host;
  const std::string dir = TempDirectory("qs copy");
  const std::string source = dir + "\\a.bin";
  std::string content(20000, 'x');
  std::ofstream(source, std::ios::binary) << content;
  FILETIME old = {0x12345600, 0x01D5F000};
  HANDLE h = CreateFileA(source.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &old);
  CloseHandle(h);

  FileCopy(host.files, source, dir + "\\new\\deeper\\b.bin");
  auto copied = Bytes(dir + "\\new\\deeper\\b.bin");
  EXPECT_EQ(std::string(copied.begin(), copied.end()), content);
  h = CreateFileA((dir + "\\new\\deeper\\b.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                  nullptr);
  FILETIME t = {};
  GetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  EXPECT_EQ(t.dwLowDateTime, old.dwLowDateTime);
  EXPECT_EQ(t.dwHighDateTime, old.dwHighDateTime);

  // The source itself as the destination, also under another spelling: the system's sharing
  // refuses to create it, and the source stays whole.
  for (const std::string& same : {source, dir + "\\.\\a.bin", dir}) {
    SCOPED_TRACE(same);
    EXPECT_THROW(FileCopy(host.files, source, same), EFCreateError);
    EXPECT_EQ(Bytes(source).size(), content.size());
  }
  RemoveTree(dir);
}

}  // namespace
}  // namespace qs
