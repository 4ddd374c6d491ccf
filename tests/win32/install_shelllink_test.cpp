// The system's link object: links saved through COM and read back with the tests' own reader of the
// link format.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "install/lnk_reader.h"
#include "platform/win32/shelllinks_win32.h"

namespace qs {
namespace {

struct Com {
  Com() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~Com() { CoUninitialize(); }
};

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

TEST(InstallShellLink, SavedAndReadBack) {
  Com com;
  const std::string dir = TempDirectory("qs links");
  const std::string target = dir + "\\tool.exe";
  std::ofstream(target) << "MZ";
  struct Case {
    std::string file, arguments, workingDirectory;
    bool saved;
  };
  const Case cases[] = {
      {dir + "\\Plain.lnk", "", "", true},
      {dir + "\\With arguments.lnk", "-a \"b c\"", dir, true},
      {dir + "\\R\xE9ussite.lnk", "x", "C:\\", true},
      {dir + "\\Bad|name.lnk", "", "", false},
      {dir + "\\missing folder\\x.lnk", "", "", false},
  };
  Win32ShellLinks links;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    DeleteFileA(c.file.c_str());
    auto link = links.CreateLink();
    EXPECT_EQ(link->SetArguments(c.arguments), S_OK);
    EXPECT_EQ(link->SetPath(target), S_OK);
    EXPECT_EQ(link->SetWorkingDirectory(c.workingDirectory), S_OK);
    const HResult hr = link->Save(c.file, false);
    link.reset();
    EXPECT_EQ(SUCCEEDED(hr), c.saved) << std::hex << hr;
    EXPECT_EQ(GetFileAttributesA(c.file.c_str()) != INVALID_FILE_ATTRIBUTES, c.saved);
    if (!c.saved) continue;
    auto f = test::ReadLinkFile(Bytes(c.file));
    EXPECT_TRUE(f.ok);
    EXPECT_EQ(f.arguments, c.arguments);
    EXPECT_EQ(f.workingDirectory, c.workingDirectory);
    // The target is held as an item list and, when it exists, as a local path.
    EXPECT_FALSE(f.itemNames.empty());
    EXPECT_EQ(f.itemNames.empty() ? "" : f.itemNames.back(), "tool.exe");
    EXPECT_TRUE(f.localBasePath.empty() || _stricmp(f.localBasePath.c_str(), target.c_str()) == 0) << f.localBasePath;
    DeleteFileA(c.file.c_str());
  }
  DeleteFileA(target.c_str());
  RemoveDirectoryA(dir.c_str());
}

TEST(InstallShellLink, ErrorTexts) {
  EXPECT_EQ(OleErrorMessage(static_cast<HResult>(0x80040154u), ""), "Erreur OLE 80040154");
  // The system's own text, without its line end and full stop.
  const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  if (!text.empty()) {
    EXPECT_NE(text.back(), '.');
    EXPECT_NE(text.back(), '\n');
  }
  // Without COM initialised the object cannot be created: the system's message for the code.
  try {
    Win32ShellLinks().CreateLink();
    SUCCEED() << "this system creates the object without COM initialised";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.what(), OleErrorMessage(e.errorCode, SystemErrorText(static_cast<std::uint32_t>(e.errorCode))));
  }
}

}  // namespace
}  // namespace qs
