#include "install/shortcut.h"

#include <gtest/gtest.h>

#include "install/fixture.h"

namespace qs {
namespace {

using test::InstallHost;

const std::string kShellFolders = std::string(kExplorerKey) + "\\Shell Folders";
const std::string kPrograms = "C:\\Menu\\Programs";

struct ShortcutHost : InstallHost {
  ShortcutHost() {
    host.registry.SetString(kShellFolders, "Programs", kPrograms);
    host.files.ForceDirectories(kPrograms);
    Write("C:\\Apps\\tool.exe", "MZ tool");
  }
  void Make(const std::string& title, const std::string& group, const std::string& target = "C:\\Apps\\tool.exe",
            const std::string& args = "", const std::string& dir = "") {
    CreateShortcut(platform, target, args, dir, title, group);
  }
  // Every link object made was released and no registry handle stays open.
  void ExpectReleased() {
    EXPECT_EQ(links.created, links.released);
    EXPECT_EQ(host.registry.OpenHandles(), 0u);
  }
};

TEST(Shortcut, WhereTheLinkGoes) {
  struct Case {
    const char* name;
    std::string group, title;
    std::vector<std::string> before;  // folders that exist before
    std::string link;                 // the file the link is saved to
    bool folder;                      // the group folder exists afterwards
  };
  const Case cases[] = {
      {"group folder created", "Games", "Solitaire", {}, kPrograms + "\\Games\\Solitaire.lnk", true},
      {"existing group folder used",
       "Games",
       "Solitaire",
       {kPrograms + "\\Games"},
       kPrograms + "\\Games\\Solitaire.lnk",
       true},
      {"empty group: double separator", "", "Solitaire", {}, kPrograms + "\\\\Solitaire.lnk", true},
      // The shell then finds no folder to save to.
      {"subgroup without its parent",
       "Games\\Cards",
       "Solitaire",
       {},
       kPrograms + "\\Games\\Cards\\Solitaire.lnk",
       false},
      {"subgroup with its parent",
       "Games\\Cards",
       "Solitaire",
       {kPrograms + "\\Games"},
       kPrograms + "\\Games\\Cards\\Solitaire.lnk",
       true},
      // Titles are passed on as they are: the installation run checks them first.
      {"title not a file name", "Games", "Sol|taire", {}, kPrograms + "\\Games\\Sol|taire.lnk", true},
      {"accented title", "Jeux", "R\xE9ussite", {}, kPrograms + "\\Jeux\\R\xE9ussite.lnk", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShortcutHost h;
    for (const auto& d : c.before) h.host.files.ForceDirectories(d);
    EXPECT_NO_THROW(h.Make(c.title, c.group));
    ASSERT_EQ(h.links.SavedFiles(), std::vector<std::string>{c.link});
    EXPECT_EQ(h.links.saves[0].path, "C:\\Apps\\tool.exe");
    EXPECT_FALSE(h.links.saves[0].remember);
    EXPECT_EQ(h.Exists(kPrograms + "\\" + c.group), c.folder);
    h.ExpectReleased();
  }
}

TEST(Shortcut, LinkFields) {
  struct Case {
    std::string target, args, dir;
  };
  const Case cases[] = {
      {"C:\\Apps\\tool.exe", "", ""},
      {"C:\\Apps\\tool.exe", "-a \"b c\"", "C:\\Apps"},
      {"C:\\Apps\\missing.exe", "x", ""},
      {"C:\\Apps", "", "C:\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target + "|" + c.args);
    ShortcutHost h;
    h.Make("T", "G", c.target, c.args, c.dir);
    ASSERT_EQ(h.links.saves.size(), 1u);
    EXPECT_EQ(h.links.saves[0].path, c.target);
    EXPECT_EQ(h.links.saves[0].arguments, c.args);
    EXPECT_EQ(h.links.saves[0].workingDirectory, c.dir);
  }
}

TEST(Shortcut, SameTitleTwiceMakesAFreshLinkEachTime) {
  ShortcutHost h;
  h.Make("Tool", "Group", "C:\\Apps\\tool.exe", "first");
  h.Make("Tool", "Group", "C:\\Apps\\other.exe");
  EXPECT_EQ(h.links.SavedFiles(), std::vector<std::string>(2, kPrograms + "\\Group\\Tool.lnk"));
  ASSERT_EQ(h.links.saves.size(), 2u);
  EXPECT_EQ(h.links.saves[1].path, "C:\\Apps\\other.exe");
  EXPECT_EQ(h.links.saves[1].arguments, "");
  h.ExpectReleased();
}

TEST(Shortcut, ProgramsFolderFromTheRegistry) {
  struct Case {
    const char* name;
    bool explorerKey, shellFolders, value;
    std::uint32_t type;
    std::string data;    // value bytes
    std::string folder;  // ProgramsFolder's answer; the link goes to its "\\G\\T.lnk"
  };
  const std::string sz = kPrograms + std::string(1, '\0');
  const Case cases[] = {
      {"string", true, true, true, kRegSz, sz, kPrograms},
      {"string without terminator", true, true, true, kRegSz, kPrograms, kPrograms},
      {"text after the first zero ignored", true, true, true, kRegSz, sz + "junk", kPrograms},
      {"expandable string not expanded", true, true, true, kRegExpandSz, "%APPDATA%\\Programs" + std::string(1, '\0'),
       "%APPDATA%\\Programs"},
      {"value missing: the current drive's root", true, true, false, 0, "", ""},
      {"Shell Folders missing", true, false, false, 0, "", ""},
      {"Explorer key missing", false, false, false, 0, "", ""},
      {"long value", true, true, true, kRegSz, "C:\\" + std::string(3000, 'x') + std::string(1, '\0'),
       "C:\\" + std::string(3000, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallHost h;
    h.Write("C:\\Apps\\tool.exe", "MZ");
    h.host.files.ForceDirectories(kPrograms);
    if (c.explorerKey) h.host.registry.SetString(kExplorerKey, "Other", "x");
    if (c.shellFolders) h.host.registry.SetString(kShellFolders, "Other", "x");
    if (c.value) h.host.registry.SetValue(kShellFolders, "Programs", c.type, {c.data.begin(), c.data.end()});
    EXPECT_EQ(ProgramsFolder(h.host.registry), c.folder);
    EXPECT_NO_THROW(CreateShortcut(h.platform, "C:\\Apps\\tool.exe", "", "", "T", "G"));
    EXPECT_EQ(h.links.SavedFiles(), std::vector<std::string>{c.folder + "\\G\\T.lnk"});
    // The Explorer key is made when missing; nothing below it is.
    EXPECT_TRUE(h.host.registry.KeyExists(kExplorerKey));
    EXPECT_EQ(h.host.registry.KeyExists(kShellFolders), c.shellFolders);
    EXPECT_EQ(h.links.created, h.links.released);
    EXPECT_EQ(h.host.registry.OpenHandles(), 0u);
  }
}

TEST(Shortcut, Errors) {
  struct Case {
    const char* name;
    std::uint32_t programsType;  // 0: a good string
    HResult createResult;
    std::string systemText;
    bool lacksInterface;
    std::string message;
  };
  const Case cases[] = {
      {"DWORD value", kRegDword, kSOk, "", false,
       "Type de donn\xE9"
       "es incorrect pour 'Programs'"},
      {"binary value", kRegBinary, kSOk, "", false,
       "Type de donn\xE9"
       "es incorrect pour 'Programs'"},
      {"object not created, system text", 0, static_cast<HResult>(0x80040154u),
       "Classe non enregistr\xE9"
       "e",
       false,
       "Classe non enregistr\xE9"
       "e"},
      {"object not created, no text", 0, static_cast<HResult>(0x80040154u), "", false, "Erreur OLE 80040154"},
      {"interface missing", 0, kSOk, "", true,
       "Interface non support\xE9"
       "e"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShortcutHost h;
    if (c.programsType) h.host.registry.SetValue(kShellFolders, "Programs", c.programsType, {1, 0, 0, 0});
    h.links.createResult = c.createResult;
    h.links.systemText = c.systemText;
    h.links.lacksInterface = c.lacksInterface;
    try {
      h.Make("T", "G");
      ADD_FAILURE() << "no error";
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.what(), c.message);
      EXPECT_EQ(e.errorCode, c.createResult);
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_TRUE(h.links.saves.empty());
    h.ExpectReleased();
  }
}

}  // namespace
}  // namespace qs
