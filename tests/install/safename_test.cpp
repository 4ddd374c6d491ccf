#include "install/safename.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

TEST(SafeName, FileNames) {
  struct Case {
    std::string name;
    bool safe;
  };
  const Case cases[] = {
      {"SETUP.EXE", true},
      {"read me.txt", true},
      {"R\xE9sum\xE9.doc", true},
      {".hidden", true},
      {"a..b", true},
      {"name.", true},  // the system drops the dot: still a file in the directory
      {"CONSOLE.TXT", true},
      {"COM10", true},
      {"LPT", true},
      {"", false},
      {".", false},
      {"..", false},
      {"...", false},
      {" . ", false},
      {"../../Windows/evil.dll", false},
      {"..\\evil.dll", false},
      {"sub/file.txt", false},
      {"C:evil.txt", false},
      {"a\tb", false},
      {std::string("a\0b", 3), false},
      {"\x1F", false},
      {"what?.txt", false},
      {"star*.txt", false},
      {"pipe|.txt", false},
      {"<x>", false},
      {"\"q\"", false},
      {"CON", false},
      {"con.txt", false},
      {"Nul", false},
      {"nul .tar.gz", false},
      {"AUX.", false},
      {"PRN.log", false},
      {"com1", false},
      {"LPT9.txt", false},
      {"COM0", false},
      {"com\xB9", false},
      {"CONIN$", false},
      {"conout$.x", false},
      {"CLOCK$", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsSafeFileName(c.name), c.safe);
  }
}

TEST(SafeName, ModuleFileName) {
  struct Case {
    std::string sourcePath;
    std::string name;  // "" when refused
  };
  const Case cases[] = {
      {"C:\\Build\\App.prc", "App.prc"},
      {"D:app.exe", "app.exe"},
      {"tool.exe", "tool.exe"},
      {"C:\\Build\\../../x.dll", ""},
      {"C:\\Build\\", ""},
      {"C:\\Build\\..", ""},
      {"C:\\Build\\NUL.txt", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sourcePath);
    if (c.name.empty()) {
      try {
        ModuleFileName(c.sourcePath);
        ADD_FAILURE() << "accepted";
      } catch (const EBadFileName& e) {
        EXPECT_EQ(e.what(), "Nom de fichier incorrect pour le module '" + c.sourcePath + "'");
      }
    } else {
      EXPECT_EQ(ModuleFileName(c.sourcePath), c.name);
    }
  }
}

}  // namespace
}  // namespace qs
