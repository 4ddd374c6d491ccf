#include "install/shortcut.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "install/fixture.h"
#include "install/lnk_reader.h"

namespace qs {
namespace {

using test::InstallHost;
using test::ReadLinkFile;

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
    std::string link;                 // where the link file is afterwards ("" for none)
  };
  const Case cases[] = {
      {"group folder created", "Games", "Solitaire", {}, kPrograms + "\\Games\\Solitaire.lnk"},
      {"existing group folder used",
       "Games",
       "Solitaire",
       {kPrograms + "\\Games"},
       kPrograms + "\\Games\\Solitaire.lnk"},
      {"empty group: double separator", "", "Solitaire", {}, kPrograms + "\\Solitaire.lnk"},
      {"subgroup without its parent", "Games\\Cards", "Solitaire", {}, ""},
      {"subgroup with its parent",
       "Games\\Cards",
       "Solitaire",
       {kPrograms + "\\Games"},
       kPrograms + "\\Games\\Cards\\Solitaire.lnk"},
      {"title not a file name", "Games", "Sol|taire", {}, ""},
      {"title with a question mark", "Games", "Why?", {}, ""},
      {"accented title", "Jeux", "R\xE9ussite", {}, kPrograms + "\\Jeux\\R\xE9ussite.lnk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShortcutHost h;
    for (const auto& d : c.before) h.host.files.ForceDirectories(d);
    EXPECT_NO_THROW(h.Make(c.title, c.group));
    if (c.link.empty()) {
      EXPECT_FALSE(h.Exists(kPrograms + "\\" + c.group + "\\" + c.title + ".lnk"));
      if (c.group.find('\\') != std::string::npos) {
        EXPECT_FALSE(h.Exists(kPrograms + "\\" + c.group));
      }
    } else {
      ASSERT_TRUE(h.Exists(c.link));
      auto link = ReadLinkFile(h.ReadBytes(c.link));
      EXPECT_TRUE(link.ok);
      EXPECT_EQ(link.localBasePath, "C:\\Apps\\tool.exe");
    }
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
    auto link = ReadLinkFile(h.ReadBytes(kPrograms + "\\G\\T.lnk"));
    ASSERT_TRUE(link.ok);
    EXPECT_EQ(link.localBasePath, c.target);
    EXPECT_EQ(link.arguments, c.args);
    EXPECT_EQ(link.workingDirectory, c.dir);
    EXPECT_EQ(link.showCommand, 1u);
    std::vector<std::string> levels;
    for (std::size_t at = 3, next; at < c.target.size(); at = next + 1) {
      next = c.target.find('\\', at);
      if (next == std::string::npos) next = c.target.size();
      levels.push_back(c.target.substr(at, next - at));
    }
    EXPECT_EQ(link.itemNames, levels);
    const bool isFile = c.target == "C:\\Apps\\tool.exe";
    EXPECT_EQ(link.fileSize, isFile ? 7u : 0u);
    if (isFile) {
      auto f = h.host.files.Open(c.target, false, ShareMode::DenyNone);
      EXPECT_EQ(link.writeTime, f->ModificationTime());
    }
  }
}

TEST(Shortcut, SameTitleTwiceReplacesTheLink) {
  ShortcutHost h;
  h.Write("C:\\Apps\\other.exe", "MZ");
  h.Make("Tool", "Group", "C:\\Apps\\tool.exe", "first");
  h.Make("Tool", "Group", "C:\\Apps\\other.exe");
  auto link = ReadLinkFile(h.ReadBytes(kPrograms + "\\Group\\Tool.lnk"));
  ASSERT_TRUE(link.ok);
  EXPECT_EQ(link.localBasePath, "C:\\Apps\\other.exe");
  EXPECT_EQ(link.arguments, "");
  h.ExpectReleased();
}

TEST(Shortcut, ProgramsFolderFromTheRegistry) {
  struct Case {
    const char* name;
    bool explorerKey, shellFolders, value;
    std::uint32_t type;
    std::string data;    // value bytes
    std::string folder;  // ProgramsFolder's answer
    std::string link;    // where the link goes ("" none)
  };
  const std::string sz = kPrograms + std::string(1, '\0');
  const Case cases[] = {
      {"string", true, true, true, kRegSz, sz, kPrograms, kPrograms + "\\G\\T.lnk"},
      {"string without terminator", true, true, true, kRegSz, kPrograms, kPrograms, kPrograms + "\\G\\T.lnk"},
      {"text after the first zero ignored", true, true, true, kRegSz, sz + "junk", kPrograms, kPrograms + "\\G\\T.lnk"},
      {"expandable string not expanded", true, true, true, kRegExpandSz, "%APPDATA%\\Programs" + std::string(1, '\0'),
       "%APPDATA%\\Programs", ""},
      {"value missing: current drive's root", true, true, false, 0, "", "", "C:\\G\\T.lnk"},
      {"Shell Folders missing", true, false, false, 0, "", "", "C:\\G\\T.lnk"},
      {"Explorer key missing", false, false, false, 0, "", "", "C:\\G\\T.lnk"},
      {"long value", true, true, true, kRegSz, "C:\\" + std::string(3000, 'x') + std::string(1, '\0'),
       "C:\\" + std::string(3000, 'x'), ""},
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
    if (!c.link.empty()) {
      EXPECT_TRUE(h.Exists(c.link));
    }
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
    EXPECT_FALSE(h.Exists(kPrograms + "\\G\\T.lnk"));
    h.ExpectReleased();
  }
}

// The link as an independent reader of the format sees it.
TEST(Shortcut, ReadableByLnkinfo) {
  if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "lnkinfo not installed";
  ShortcutHost h;
  h.Make("Tool", "Group", "C:\\Apps\\tool.exe", "-x \"a b\"", "C:\\Apps");
  const auto lnk = h.Host(kPrograms + "\\Group\\Tool.lnk");
  const auto out = h.drive.Path() / "lnkinfo.txt";
  const std::string cmd = "lnkinfo \"" + lnk.string() + "\" > \"" + out.string() + "\" 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(out);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("C:\\Apps\\tool.exe"), std::string::npos) << text;
  EXPECT_NE(text.find("-x \"a b\""), std::string::npos) << text;
  EXPECT_NE(text.find("Working directory"), std::string::npos) << text;
  EXPECT_EQ(text.find("rror"), std::string::npos) << text;
}

}  // namespace
}  // namespace qs
