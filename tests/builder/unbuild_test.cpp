#include "builder/unbuild.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "builder/builder.h"
#include "builder/formtree.h"
#include "builder/manifest.h"
#include "core/streams.h"
#include "platform/temp_dir.h"
#include "stream/textform.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

const fs::path kRoot = fs::path(__FILE__).parent_path() / "../..";

std::string Text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void Replace(std::string& s, std::string_view from, std::string_view to) {
  auto at = s.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  s.replace(at, from.size(), to);
}
std::string Dump(const std::vector<std::uint8_t>& stream) {
  TMemoryStream in(stream);
  return ComponentStreamToText(in);
}
std::vector<std::uint8_t> Compile(const std::string& text) {
  TMemoryStream out;
  TextToComponentStream(text, out);
  return out.Bytes();
}

// A product folder copied into dir, its manifest edited; gives the payload the builder makes.
std::vector<std::uint8_t> BuildProduct(const fs::path& dir, const std::string& product,
                                       const std::vector<std::pair<std::string, std::string>>& edits) {
  fs::copy(kRoot / product, dir, fs::copy_options::recursive);
  // Stand-ins for the programs the Windows build makes.
  fs::create_directories(dir / "bin");
  for (const char* name : {"HELLO.EXE", "CONDREG.EXE", "VEVORO20.DLL", "WAITER.EXE"})
    std::ofstream(dir / "bin" / name) << "MZ" << name;
  std::string manifest = Text(dir / "quillset.toml");
  for (auto& [from, to] : edits) Replace(manifest, from, to);
  std::ofstream(dir / "quillset.toml", std::ios::binary | std::ios::trunc) << manifest;
  return BuildManifestPayload(LoadManifest((dir / "quillset.toml").string()));
}

std::vector<std::uint8_t> Rebuild(const fs::path& dir) {
  return BuildManifestPayload(LoadManifest((dir / "quillset.toml").string()));
}

// Every installer the builder makes comes back byte for byte: the sample product and the small
// product of the end-to-end runs as each scenario changes it.
TEST(Unbuild, BuiltInstallersComeBackByteIdentical) {
  const struct {
    const char* name;
    const char* product;
    std::vector<std::pair<std::string, std::string>> edits;
  } cases[] = {
      {"sample", "samples/product", {}},
      {"mini", "tests/e2e/products/mini", {}},
      {"auto first user",
       "tests/e2e/products/mini",
       {{"AutoInstallFirstUser = false", "AutoInstallFirstUser = true"},
        {"Copyright = true", "Copyright = false"},
        {"directory = \"C:\\\\Mini\"", "directory = \"C:\\\\Mini Auto\""}}},
      {"cancel question",
       "tests/e2e/products/mini",
       {{"[messages]", "[messages]\nidExit = \"Leave Mini Setup now?\"\nidStop = \"Mini Setup: leave\""}}},
      {"no desktop",
       "tests/e2e/products/mini",
       {{"Copyright = true", "Copyright = false"},
        {"[messages]", "[messages]\nidDesktopAsk = \"Not shown\"\nidDesktop = \"Not shown either\""}}},
      {"empty directory",
       "tests/e2e/products/mini",
       {{"Copyright = true", "Copyright = false"},
        {"CKDisplaySelectDirectory = true", "CKDisplaySelectDirectory = false"},
        {"directory = \"C:\\\\Mini\"", "directory = \"\""}}},
      {"quit during wait",
       "tests/e2e/products/mini",
       {{"[[module]]",
         "[[module]]\nfile = \"bin/WAITER.EXE\"\ntitle = \"Waiter\"\ngroup = \"Desktop\"\naction = \"run-wait\"\n\n"
         "[[module]]"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir tmp;
    auto payload = BuildProduct(tmp.Path() / "product", c.product, c.edits);
    UnbuildReport r = Unbuild(payload, (tmp.Path() / "out").string());
    EXPECT_TRUE(r.identical);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    EXPECT_EQ(r.files.front(), "quillset.toml");
    EXPECT_FALSE(fs::exists(tmp.Path() / "out/form.txt"));
    EXPECT_EQ(Rebuild(tmp.Path() / "out"), payload);
  }
}

// A payload shaped by another builder: what the manifest cannot say travels in form.txt, each
// thing named by a warning, and the rebuild reads onto the same form. A packed file whose name is
// no file name cannot be written as one: it lands inside the folder and form.txt carries the
// packed files. A container from another compressor is compressed anew: the same bytes expanded.
TEST(Unbuild, ForeignFormsComeBackOntoTheSameForm) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, std::string>> edits;
    std::vector<std::string> warnings;
    bool recompressed = false;  // the rebuild is what this builder makes of the same files
  } cases[] = {
      {"moved control, other font, extra property and component",
       {{"object Label2: TLabel\n        Left = 8\n        Top = 48",
         "object Label2: TLabel\n        Left = 12\n        Top = 50"},
        {"Font.Name = 'MS Sans Serif'", "Font.Name = 'Tahoma'"},
        {"object Label5: TLabel\n", "object Label5: TLabel\n        Alignment = taCenter\n"},
        {"        ParentFont = False\n      end\n      object Label2", "      end\n      object Label2"},
        {"      object MemoWelcome: TMemo",
         "      object LabelX: TLabel\n        Caption = 'x'\n      end\n      "
         "object MemoWelcome: TMemo"}},
       {"Label2.Left", "Label2.Top", "FormTools.Font.Name", "Label5.Alignment", "Label5: the order",
        "Label1.ParentFont: not set", "LabelX: a component the built-in form lacks"}},
      {"packed file named outside the folder",
       {{"Name = 'readme.txt'", "Name = '..\\..\\evil'"}},
       {"the manifest cannot say the modules and packed files", "PackFiles1.Items"}},
      {"another compressor (all literals where this one stores)",
       {{"474447210000001D000000804D494E492068616E6468656C64206170706C6963\n          6174696F6E000102",
         "47444725000000210000004000004D494E492068616E6468656C642061700000706C69636174696F6E000102"}},
       {"compressed containers are not the ones this builder makes"},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir tmp;
    const std::string built = Dump(BuildProduct(tmp.Path() / "product", "tests/e2e/products/mini", {}));
    std::string text = built;
    for (auto& [from, to] : c.edits) Replace(text, from, to);
    auto foreign = Compile(text);
    const std::vector<std::uint8_t> after = {1, 2, 3};
    foreign.insert(foreign.end(), after.begin(), after.end());
    UnbuildReport r = Unbuild(foreign, (tmp.Path() / "out").string());
    EXPECT_FALSE(r.identical);
    EXPECT_TRUE(r.sameForm);
    std::string all;
    for (auto& w : r.warnings) all += w + "\n";
    for (auto& w : c.warnings) EXPECT_NE(all.find(w), std::string::npos) << w << " in\n" << all;
    EXPECT_NE(all.find("3 bytes follow the form's record"), std::string::npos) << all;
    EXPECT_EQ(Text(tmp.Path() / "out/quillset.toml").find("form_overrides = \"form.txt\"") != std::string::npos,
              !c.recompressed);
    EXPECT_EQ(Dump(Rebuild(tmp.Path() / "out")), c.recompressed ? built : text);
    for (auto& e : fs::recursive_directory_iterator(tmp.Path()))
      EXPECT_EQ(e.path().string().find("evil"), std::string::npos) << e.path();
  }
}

// A form nested deeper than any real one is refused before its text form is made.
TEST(Unbuild, RefusesFormsNestedTooDeep) {
  std::string text = "object FormTools: TFormTools\n";
  for (int i = 0; i < 70; ++i) text += "object P" + std::to_string(i) + ": TPanel\n";
  for (int i = 0; i <= 70; ++i) text += "end\n";
  test::TempDir tmp;
  try {
    Unbuild(Compile(text), tmp.Path().string());
    ADD_FAILURE() << "unbuilt";
  } catch (const BuildError& e) {
    EXPECT_NE(std::string(e.what()).find("nest 71 deep"), std::string::npos) << e.what();
  }
}

// Differences the format allows without changing what a reader makes of the form are none.
TEST(Unbuild, DiffIgnoresWhatTheFormatLeavesOpen) {
  const struct {
    const char* a;
    const char* b;
    bool differ;
  } cases[] = {
      {"Font.Style = [fsBold, fsItalic]", "Font.Style = [fsItalic, fsBold]", false},
      {"BorderStyle = bsDialog", "BorderStyle = BSDIALOG", false},
      {"Caption = 'Ab'", "Caption = 'ab'", true},
      {"Items = <\n    item [3]\n      Name = 'x'\n    end\n  >", "Items = <\n    item\n      Name = 'x'\n    end\n  >",
       false},
      {"Items = <\n    item\n      Name = 'x'\n    end\n  >", "Items = <\n    item\n      Name = 'y'\n    end\n  >",
       true},
      {"Left = 1", "Left = 2", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a);
    auto a = Compile(std::string("object F: TForm\n  ") + c.a + "\nend\n");
    auto b = Compile(std::string("object F: TForm\n  ") + c.b + "\nend\n");
    FormDifference d = DiffForms(a, b);
    EXPECT_EQ(!d.fragment.empty(), c.differ) << d.fragment;
    if (c.differ) {
      EXPECT_EQ(ApplyFormOverrides(b, d.fragment), a);
    }
  }
}

}  // namespace
}  // namespace qs
