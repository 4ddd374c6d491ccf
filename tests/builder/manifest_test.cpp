#include "builder/manifest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "builder/formtree.h"
#include "core/streams.h"
#include "core/text.h"
#include "packer/gpackfiles.h"
#include "stream/writer.h"
#include "wizard/modulelist.h"
#include "wizard/unitext.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

// A product folder in a fresh temporary directory.
class ProductDir {
 public:
  ProductDir() {
    dir_ = fs::temp_directory_path() /
           ("qs_manifest_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~ProductDir() { fs::remove_all(dir_); }
  void Put(const std::string& rel, const std::string& bytes) {
    fs::create_directories((dir_ / rel).parent_path());
    std::ofstream(dir_ / rel, std::ios::binary) << bytes;
  }
  Manifest Parse(const std::string& text) { return ParseManifest(text, dir_.string(), "m.toml"); }
  const fs::path& Path() const { return dir_; }

 private:
  fs::path dir_;
};

// The conversion itself is core's (tests/core/cp1252_test.cpp); the builder names what it refuses.
TEST(Manifest, Cp1252RefusalsNameTheTextAndThePlace) {
  const std::pair<const char*, const char*> cases[] = {
      {"ab\xC4\x80", "t: the character U+0100 has no place in code page 1252"},
      {"\xC2\x81", "t: the character U+0081 has no place in code page 1252"},
      {"a\xC3(", "t: malformed UTF-8 at byte 1"},
  };
  for (const auto& [utf8, message] : cases) {
    try {
      Utf8ToCp1252(utf8, "t");
      ADD_FAILURE() << utf8;
    } catch (const BuildError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
  EXPECT_EQ(Utf8ToCp1252("cr\xC3\xA9\xE2\x82\xAC", "t"), "cr\xE9\x80");
  EXPECT_EQ(WindowsLineBreaks("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST(Manifest, FullManifestGivesTheDescription) {
  ProductDir d;
  d.Put("palm/App.prc", "PRC");
  d.Put("bin/tool.exe", "MZ-tool");
  d.Put("bin/lib.dll", "MZ-lib");
  d.Put("rt/Lib.prc", "LIB");
  d.Put("art/b.jpg", "\xFF\xD8jpeg");
  d.Put("art/i.ico", std::string("\0\0\1\0ico", 7));
  d.Put("texts/w.txt", "\xEF\xBB\xBFLine one\r\n\r\nCaf\xC3\xA9\n");
  Manifest m = d.Parse(R"(
caption = "My Setup"
directory = "C:\\Apps\\Mine"
compress = false
stub = "stub/Quillset.exe"
[options]
Copyright = true
CKInstallDoviConduit = true
[pictures]
banner = "art/b.jpg"
icon = "art\\i.ico"
[memos]
welcome = "texts/w.txt"
licence = ["first", "", "two\nlines"]
[texts]
Label1 = "Hello"
Label7 = """
a
b"""
[messages]
idExit = "Really?"
[numbers]
MaxStdFile = 7
MaxStdFile2 = "x"
[[module]]
file = "palm/App.prc"
title = "The app"
group = "Handheld"
action = "queue-and-copy"
[[module]]
file = "bin/tool.exe"
name = "TOOL.EXE"
shortcut = true
program_group = "Mine"
action = 2
compress = true
[[module]]
file = "palm/App.prc"
source_path = "D:\\build\\app.PRC"
[[file]]
file = "rt/Lib.prc"
runtime = true
[[file]]
file = "palm/App.prc"
description = "also described"
[conduit]
library = "bin/lib.dll"
tool = "bin/tool.exe"
)");
  const InstallerDescription& s = m.product;
  EXPECT_EQ(s.caption, "My Setup");
  EXPECT_EQ(s.directory, "C:\\Apps\\Mine");
  EXPECT_EQ(m.stubPath, (d.Path() / "stub/Quillset.exe").string());
  EXPECT_FALSE(s.compressModuleList);
  auto options = s.options;
  std::sort(options.begin(), options.end());
  EXPECT_EQ(options, (std::vector<std::pair<std::string, bool>>{{"CKInstallDoviConduit", true}, {"Copyright", true}}));
  EXPECT_EQ(s.bannerJpeg, (std::vector<std::uint8_t>{0xFF, 0xD8, 'j', 'p', 'e', 'g'}));
  ASSERT_TRUE(s.icon);
  EXPECT_EQ(s.icon->size(), 7u);
  EXPECT_EQ(s.welcomeLines, (std::vector<std::string>{"Line one", "", "Caf\xE9"}));
  EXPECT_EQ(s.licenceLines, (std::vector<std::string>{"first", "", "two", "lines"}));
  std::vector<std::pair<std::string, std::string>> captions = {
      {"Label1", "Hello"}, {"Label7", "a\r\nb"}, {"idExit", "Really?"}, {"MaxStdFile", "7"}, {"MaxStdFile2", "x"}};
  EXPECT_EQ(s.captions, captions);

  ASSERT_EQ(s.modules.size(), 3u);
  EXPECT_EQ(ModuleText(s.modules[0].SourcePath), "palm\\App.prc");
  EXPECT_EQ(ModuleText(s.modules[0].Title), "The app");
  EXPECT_EQ(ModuleText(s.modules[0].Group), "Handheld");
  EXPECT_EQ(s.modules[0].Action, 3);
  EXPECT_EQ(s.modules[0].MakeShortcut, 0);
  EXPECT_EQ(ModuleText(s.modules[1].SourcePath), "bin\\TOOL.EXE");
  EXPECT_EQ(s.modules[1].MakeShortcut, 1);
  EXPECT_EQ(s.modules[1].Action, 2);
  EXPECT_EQ(ModuleText(s.modules[1].ProgramGroup), "Mine");
  EXPECT_EQ(ModuleText(s.modules[2].SourcePath), "D:\\build\\app.PRC");

  // One packed file per distinct file: the module used twice and described later is packed once;
  // the tool is a module and the conduit's registration tool, under two names.
  ASSERT_EQ(s.files.size(), 5u);
  struct Want {
    const char* name;
    const char* description;
    bool compress;
    const char* bytes;
  } want[] = {{"App.prc", "also described", false, "PRC"},
              {"TOOL.EXE", "", true, "MZ-tool"},
              {"Lib.prc", "DORUVU", false, "LIB"},
              {"VEVORO20.DLL", "", false, "MZ-lib"},
              {"CONDREG.EXE", "", false, "MZ-tool"}};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(want[i].name);
    EXPECT_EQ(s.files[i].name, want[i].name);
    EXPECT_EQ(s.files[i].description, want[i].description);
    EXPECT_EQ(s.files[i].compress, want[i].compress);
    const auto bytes = s.files[i].Bytes();
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), want[i].bytes);
  }
  EXPECT_TRUE(m.warnings.empty());
}

TEST(Manifest, BadManifestsSayWhatAndWhere) {
  ProductDir d;
  d.Put("a.prc", "A");
  d.Put("sub/a.prc", "other A");
  d.Put("x.exe", "X");
  struct Case {
    const char* what;
    std::string text;
    const char* message;  // a part of the message
  };
  const Case cases[] = {
      {"syntax", "caption = \n", "m.toml:1:"},
      {"misspelt top key", "caption = \"x\"\ncaptoin = \"x\"",
       "m.toml:2: unknown key 'captoin' (did you mean 'caption'?)"},
      {"unknown top key", "logo = 1", "m.toml:1: unknown key 'logo' in the manifest (known: caption, "},
      {"misspelt option", "[options]\nCopyrigth = true",
       "m.toml:2: unknown option 'Copyrigth' (did you mean 'Copyright'?)"},
      {"option in the wrong case", "[options]\nwelcome = true", "unknown option 'welcome' (did you mean 'Welcome'?)"},
      {"option not a boolean", "[options]\nWelcome = 1", "m.toml:2: option Welcome must be true or false"},
      {"unknown text name", "[texts]\nLabel99 = \"x\"", "m.toml:2: unknown name 'Label99' in [texts]"},
      {"misspelt message", "[messages]\nidExt = \"x\"",
       "m.toml:2: unknown name 'idExt' in [messages] (did you mean 'idExit'?)"},
      {"message label in texts", "[texts]\nidExit = \"x\"", "unknown name 'idExit'"},
      {"caption not a text", "\ncaption = 5", "m.toml:2: caption must be a text"},
      {"compress not a boolean", "compress = \"yes\"", "m.toml:1: compress must be true or false"},
      {"options not a table", "options = 1", "m.toml:1: [options] must be a table"},
      {"number not a number", "[numbers]\nMaxStdFile = 1.5", "m.toml:2: numbers.MaxStdFile must be a text"},
      {"text not UTF-8 1252", "caption = \"\\u0100\"", "U+0100 has no place in code page 1252"},
      {"missing module file", "[[module]]\nfile = \"nope.prc\"", "m.toml:2: module 1: file 'nope.prc' not found"},
      {"module without file", "[[module]]\ntitle = \"t\"", "m.toml:1: module 1 has no file"},
      {"unknown module key", "[[module]]\nfile = \"a.prc\"\ntitel = \"t\"",
       "m.toml:3: unknown key 'titel' in [[module]] (did you mean 'title'?)"},
      {"bad action", "[[module]]\nfile = \"a.prc\"\naction = 4294967296", "action must be a 32-bit number"},
      {"module list twice", "module_list = \"a.prc\"\n[[module]]\nfile = \"a.prc\"", "do not go together"},
      {"overrides missing", "form_overrides = \"f.txt\"", "form_overrides: file 'f.txt' not found"},
      {"bad action name", "[[module]]\nfile = \"a.prc\"\naction = \"launch\"", "action must be one of"},
      {"title too long", "[[module]]\nfile = \"a.prc\"\ntitle = \"" + std::string(257, 't') + "\"",
       "is 257 bytes long; at most 256 fit"},
      {"same name, two files", "[[module]]\nfile = \"a.prc\"\n[[module]]\nfile = \"sub/a.prc\"",
       "two different files would be packed as 'a.prc'"},
      {"names differing in case", "[[module]]\nfile = \"a.prc\"\n[[file]]\nfile = \"sub/a.prc\"\nname = \"A.PRC\"",
       "two different files would be packed as 'A.PRC'"},
      {"compress both ways", "[[module]]\nfile = \"a.prc\"\n[[file]]\nfile = \"a.prc\"\ncompress = false",
       "packed once with compress = true and once without"},
      {"module list name taken", "[[file]]\nfile = \"x.exe\"\nname = \"ilist.qsp\"", "is the module list's"},
      {"name with a directory", "[[file]]\nfile = \"x.exe\"\nname = \"a\\\\b.exe\"", "is not a file name"},
      {"source path names another file", "[[module]]\nfile = \"a.prc\"\nsource_path = \"C:\\\\b.prc\"",
       "must be the packed name 'a.prc'"},
      {"conduit without tool", "[conduit]\nlibrary = \"x.exe\"",
       "m.toml:1: [conduit] needs its tool (packed as CONDREG.EXE)"},
      {"module not a table array", "module = 3", "write each module as [[module]]"},
      {"memo file missing", "[memos]\nwelcome = \"w.txt\"", "m.toml:2: memos.welcome: file 'w.txt' not found"},
      {"picture not a path", "[pictures]\nbanner = 5", "m.toml:2: pictures.banner must be a file path"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      d.Parse(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const BuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// Editors check manifests against the schema: it must know every name the reader accepts.
TEST(Manifest, SchemaKnowsEveryName) {
  std::ifstream in(QS_MANIFEST_SCHEMA);
  std::string schema((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(schema.empty());
  std::vector<std::string_view> names(kOptionNames.begin(), kOptionNames.end());
  names.insert(names.end(), kPageTextNames.begin(), kPageTextNames.end());
  names.insert(names.end(), kMessageNames.begin(), kMessageNames.end());
  names.insert(names.end(), kNumberNames.begin(), kNumberNames.end());
  for (std::string_view name : names)
    EXPECT_NE(schema.find("\"" + std::string(name) + "\": {"), std::string::npos) << name;
}

// Characters beyond ASCII anywhere in the manifest - in texts after a line-ending backslash, in
// keys, after values - reach the TOML parser only as safe stand-ins, and come back unchanged.
TEST(Manifest, CharactersBeyondAsciiAreSafeEverywhere) {
  ProductDir d;
  d.Put("caf\xC3\xA9.prc", "P");
  Manifest m = d.Parse(
      "caption = \"\"\"Caf\xC3\xA9 \\\n   \xC2\xA9 \xE2\x82\xAC\"\"\"\n"
      "directory = 'C:\\Caf\xC3\xA9'  # comment \xC2\xA1\xD0\x96\n"
      "[[module]]\nfile = \"caf\xC3\xA9.prc\"\ntitle = \"\\u00e9t\\u00E9\"\n");
  EXPECT_EQ(m.product.caption, "Caf\xE9 \xA9 \x80");
  EXPECT_EQ(m.product.directory, "C:\\Caf\xE9");
  ASSERT_EQ(m.product.files.size(), 1u);
  EXPECT_EQ(m.product.files[0].name, "caf\xE9.prc");
  EXPECT_EQ(ModuleText(m.product.modules[0].Title), "\xE9t\xE9");
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"caption = \"a\"\xC2\xA9\n", "m.toml:1:"},  // after a value
      {"\xC2\xA9 = 1\n", "m.toml:1:"},             // a key
      {"[texts]\nLabel1 = \"x\"\n\"L\xC3\xA9\" = \"y\"", "unknown name 'L\xC3\xA9'"},
      {"caption = \"\\U00100000\"", "beyond U+FFFFF"},
      {"caption = \"\xF4\x80\x80\x80\"", "U+100000 has no place"},  // plane 16 written out
      {"caption = \"\xC3\"", "not UTF-8"},
      {"caption = \"\xE3\x80\x81\"", "U+3001 has no place"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      d.Parse(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const BuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// A module text fills a fixed 256-byte field, measured in code page bytes: 256 fit, 257 do not.
TEST(Manifest, ModuleTextsFitTheirFieldExactly) {
  ProductDir d;
  d.Put("a.prc", "A");
  struct Case {
    std::string title;  // as written in the manifest (UTF-8)
    bool accepted;
  };
  const Case cases[] = {
      {std::string(256, 't'), true},
      {std::string(255, 't') + "\xC3\xA9", true},  // 257 bytes of UTF-8, 256 in the code page
      {std::string(257, 't'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title.size());
    const std::string text = "[[module]]\nfile = \"a.prc\"\ntitle = \"" + c.title + "\"";
    if (c.accepted) {
      const Manifest m = d.Parse(text);
      ASSERT_EQ(m.product.modules.size(), 1u);
      EXPECT_EQ(ModuleText(m.product.modules[0].Title).size(), 256u);
    } else {
      EXPECT_THROW(d.Parse(text), BuildError);
    }
  }
}

TEST(Manifest, WarnsAboutConduitFilesThatAreNeverUsed) {
  ProductDir d;
  d.Put("x.exe", "X");
  Manifest m = d.Parse("[conduit]\nlibrary = \"x.exe\"\ntool = \"x.exe\"\n");
  ASSERT_EQ(m.warnings.size(), 1u);
  EXPECT_NE(m.warnings[0].find("CKInstallDoviConduit is off"), std::string::npos);
}

TEST(Manifest, LoadReadsRelativeToTheManifestsFolder) {
  ProductDir d;
  d.Put("sub/a.prc", "A");
  d.Put("sub/m.toml", "[[module]]\nfile = \"a.prc\"\n");
  Manifest m = LoadManifest((d.Path() / "sub/m.toml").string());
  ASSERT_EQ(m.product.files.size(), 1u);
  EXPECT_EQ(m.product.files[0].name, "a.prc");
  EXPECT_THROW(LoadManifest((d.Path() / "none.toml").string()), BuildError);
}

// Packed files are read only as the payload is written. The bytes are the same as when every file
// is held from the start and the module list and overrides are applied to the written payload.
TEST(Manifest, PayloadWrittenFileByFileIsTheWholeOnesBytes) {
  ProductDir d;
  std::string big;
  for (int i = 0; i < 70000; ++i) big += static_cast<char>(i * 7 % 251);
  d.Put("a.prc", big);
  d.Put("b.exe", std::string(5000, 'b'));
  const auto list = ModuleListBytes({});
  d.Put("list.qsp", std::string(list.begin(), list.end()));
  d.Put("f.txt", "object FormTools: TFormTools\n  Caption = 'Other'\nend\n");
  const std::string files = "[[module]]\nfile = \"a.prc\"\n[[file]]\nfile = \"b.exe\"\ncompress = false\n";
  for (const std::string& text : std::vector<std::string>{
           files, "module_list = \"list.qsp\"\n[[file]]\nfile = \"a.prc\"\n", "form_overrides = \"f.txt\"\n" + files}) {
    SCOPED_TRACE(text);
    Manifest m = d.Parse(text);
    InstallerDescription held = m.product;
    for (auto& f : held.files) f.bytes = f.Bytes(), f.open = nullptr;
    std::vector<std::uint8_t> want = BuildPayload(held);
    if (m.moduleList) {
      auto form = ReadPayload(want);
      TMemoryStream list(*m.moduleList);
      form->PackFiles1->Items().Items(0)->Data().Clear();
      form->PackFiles1->Items().Items(0)->Data().CopyFrom(list, 0);
      TMemoryStream out;
      WriteComponentStream(out, *form);
      want = out.Bytes();
    }
    if (!m.formOverrides.empty()) want = ApplyFormOverrides(want, m.formOverrides);
    EXPECT_EQ(BuildManifestPayload(m), want);
  }
  // A file that changes between reading the manifest and writing the payload is refused.
  Manifest m = d.Parse(files);
  d.Put("a.prc", big + "!");
  try {
    BuildManifestPayload(m);
    ADD_FAILURE() << "a changed file was packed";
  } catch (const BuildError& e) {
    EXPECT_NE(std::string(e.what()).find("changed while the installer was being built"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace qs
