#include "builder/builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "builder/manifest.h"
#include "core/streams.h"
#include "core/text.h"
#include "stream/reader.h"
#include "wizard/unitext.h"

namespace qs {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> Bytes(std::string_view s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

std::vector<std::uint8_t> ReadHost(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The sample product's pictures: a real JPEG and a real icon.
const fs::path kSample = fs::path(__FILE__).parent_path() / "../../samples/product";
const std::vector<std::uint8_t>& Jpeg() {
  static auto bytes = ReadHost(kSample / "art/banner.jpg");
  return bytes;
}
const std::vector<std::uint8_t>& Icon() {
  static auto bytes = ReadHost(kSample / "art/hello.ico");
  return bytes;
}

TModuleRec Module(const char* source, const char* title, const char* group, std::int32_t action = 0,
                  std::int32_t shortcut = 0, const char* programGroup = "") {
  TModuleRec r = EmptyModuleRec();
  SetModuleText(r.SourcePath, source);
  SetModuleText(r.Title, title);
  SetModuleText(r.Group, group);
  SetModuleText(r.ProgramGroup, programGroup);
  r.Action = action;
  r.MakeShortcut = shortcut;
  return r;
}

PackedFileDescription File(const char* name, std::string bytes, bool compress = true, const char* description = "") {
  PackedFileDescription f;
  f.name = name;
  f.bytes = Bytes(bytes);
  f.compress = compress;
  f.description = description;
  return f;
}

// A product that sets a little of everything.
InstallerDescription Product() {
  InstallerDescription s;
  s.caption = "Hello Palm Setup";
  s.directory = "C:\\Program Files\\Hello";
  s.options = {{"Copyright", true}, {"Welcome", true}, {"CKInstallDoviConduit", true}};
  s.captions = {{"Label1", "Bienvenue \xE0 Hello"},
                {"Label7", std::string(300, 'x')},  // over 255 bytes: a long string value
                {"idExit", "Leave?"},
                {"MaxStdFile", "4"},
                {"BCancel", "&Leave"}};
  s.welcomeLines = std::vector<std::string>{"Line 1", "", "Caf\xE9"};
  s.licenceLines = std::vector<std::string>{"Licence"};
  s.bannerJpeg = Jpeg();
  s.icon = Icon();
  s.modules = {Module("palm\\App.prc", "The application", "Handheld"),
               Module("bin\\HELLO.EXE", "Companion", "Desktop", maRunWait, 1, "Hello")};
  std::string big;
  for (int i = 0; i < 70000; ++i) big.push_back(static_cast<char>("abcabd"[i % 6] + (i % 251 == 0)));
  s.files = {File("App.prc", "PRC bytes"), File("HELLO.EXE", big, false), File("Lib.prc", "", true, "DORUVU lib"),
             File("VEVORO20.DLL", "dll"), File("CONDREG.EXE", big)};
  return s;
}

// A fresh wizard form with a payload read onto it, as the installer does at start-up.
std::unique_ptr<TFormTools> ReadBack(const std::vector<std::uint8_t>& payload) {
  auto form = std::make_unique<TFormTools>(nullptr);
  TMemoryStream in(payload);
  ReadComponentStream(in, *form);
  EXPECT_EQ(in.Position(), in.Size()) << "the payload's record runs to the end of the file";
  return form;
}

TEST(Builder, PayloadReadsBackOntoAFreshForm) {
  InstallerDescription product = Product();
  auto payload = BuildPayload(product);
  ASSERT_GE(payload.size(), 4u);
  EXPECT_EQ(std::string(payload.begin(), payload.begin() + 4), "TPF0");
  auto form = ReadBack(payload);

  EXPECT_EQ(form->Caption(), "Hello Palm Setup");
  EXPECT_EQ(form->DirectoryEdit1->Text(), "C:\\Program Files\\Hello");
  EXPECT_TRUE(form->Copyright->Checked());
  EXPECT_TRUE(form->Welcome->Checked());
  EXPECT_TRUE(form->CKInstallDoviConduit->Checked());
  EXPECT_FALSE(form->AutoInstallFirstUser->Checked());
  EXPECT_FALSE(form->CKDisplaySelectDirectory->Checked());
  EXPECT_EQ(form->Label1->Caption(), "Bienvenue \xE0 Hello");
  EXPECT_EQ(form->Label7->Caption(), std::string(300, 'x'));
  EXPECT_EQ(form->idExit->Caption(), "Leave?");
  EXPECT_EQ(form->MaxStdFile->Caption(), "4");
  EXPECT_EQ(form->BCancel->Caption(), "&Leave");
  EXPECT_EQ(form->MemoWelcome->Lines().Lines(), *product.welcomeLines);
  EXPECT_EQ(form->MemoLicence->Lines().Lines(), *product.licenceLines);
  auto* jpeg = dynamic_cast<TJPEGImage*>(form->Image1->Picture().Graphic());
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->Bytes(), Jpeg());
  EXPECT_EQ(jpeg->Width(), 122);
  auto* icon = dynamic_cast<TIcon*>(form->Image2->Picture().Graphic());
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Bytes(), Icon());

  // What the product leaves alone keeps the built-in form's values.
  EXPECT_EQ(form->Label3->Caption(), "Licences terms :");
  EXPECT_EQ(form->idDesktop->Caption(), "Desktop installation ..");
  EXPECT_EQ(form->Notebook1->PageCount(), 8);

  // The packed files: the module list first, then the product's, bytes as given.
  TFileCollection& items = form->PackFiles1->Items();
  ASSERT_EQ(items.Count(), 6);
  EXPECT_EQ(items.Items(0)->Name(), "ILIST.QSP");
  EXPECT_TRUE(items.Items(0)->Compress);
  for (int i = 1; i < 6; ++i) {
    const PackedFileDescription& f = product.files[static_cast<std::size_t>(i - 1)];
    SCOPED_TRACE(f.name);
    EXPECT_EQ(items.Items(i)->Name(), f.name);
    EXPECT_EQ(items.Items(i)->Description(), f.description);
    EXPECT_EQ(items.Items(i)->Compress, f.compress);
    EXPECT_EQ(items.Items(i)->Data().Bytes(), f.bytes);
  }
  auto list = form->PackFiles1->ExtractToStream("ilist.qsp");
  auto parsed = ParseModuleList(list->Data(), static_cast<std::size_t>(list->Size()));
  ASSERT_TRUE(parsed.accepted);
  ASSERT_EQ(parsed.records.size(), 2u);
  EXPECT_EQ(ModuleListBytes(parsed.records), ModuleListBytes(product.modules));
}

TEST(Builder, SameInputsGiveTheSameBytes) {
  auto a = BuildPayload(Product());
  auto b = BuildPayload(Product());
  EXPECT_EQ(a, b);
  std::vector<std::uint8_t> stub(kStubSize, 0x90);
  stub[0] = 'M', stub[1] = 'Z';
  auto setup = BuildInstaller(stub, Product());
  ASSERT_EQ(setup.size(), kStubSize + a.size());
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), setup.begin()));
  EXPECT_TRUE(std::equal(a.begin(), a.end(), setup.begin() + kStubSize));

  // Compression is a per-file choice: the stored bytes differ, what comes back does not.
  InstallerDescription raw = Product();
  for (auto& f : raw.files) f.compress = false;
  raw.compressModuleList = false;
  auto rawPayload = BuildPayload(raw);
  EXPECT_GT(rawPayload.size(), a.size());
  auto form = ReadBack(rawPayload);
  EXPECT_EQ(form->PackFiles1->Items().Items(5)->Data().Bytes(), raw.files[4].bytes);
  EXPECT_FALSE(form->PackFiles1->Items().Items(0)->Compress);
}

TEST(Builder, AnEmptyDescriptionKeepsTheBuiltInForm) {
  auto form = ReadBack(BuildPayload(InstallerDescription{}));
  EXPECT_EQ(form->Caption(), "Installation");
  EXPECT_FALSE(form->Copyright->Checked());
  EXPECT_EQ(form->Label1->Caption(), "Welcome, ");
  ASSERT_NE(form->Image1->Picture().Graphic(), nullptr);
  EXPECT_EQ(form->Image1->Picture().Graphic()->ClassName(), "TJPEGImage");
  // The module list is always there, even with no module.
  ASSERT_EQ(form->PackFiles1->Items().Count(), 1);
  EXPECT_EQ(form->PackFiles1->Items().Items(0)->Data().Bytes(), ModuleListBytes({}));
}

TEST(Builder, RefusesWhatWouldMakeABrokenInstaller) {
  struct Case {
    const char* what;
    std::function<void(InstallerDescription&)> change;
    const char* message;
  };
  const Case cases[] = {
      {"unknown option",
       [](InstallerDescription& s) {
         s.options.push_back({"Licence", true});
       },
       "unknown option 'Licence'"},
      {"option twice",
       [](InstallerDescription& s) {
         s.options.push_back({"Welcome", false});
       },
       "given twice"},
      {"unknown text",
       [](InstallerDescription& s) {
         s.captions.push_back({"Label14", "x"});
       },
       "called 'Label14'"},
      {"message too long",
       [](InstallerDescription& s) {
         s.captions.push_back({"idStop", std::string(1024, 'm')});
       },
       "at most 1023"},
      {"message of 1023 bytes",
       [](InstallerDescription& s) {
         s.captions.push_back({"idStop", std::string(1023, 'm')});
       },
       nullptr},
      {"zero in a message",
       [](InstallerDescription& s) {
         s.captions.push_back({"idUser", std::string("a\0b", 3)});
       },
       "zero byte"},
      {"banner not a JPEG", [](InstallerDescription& s) { s.bannerJpeg = Icon(); }, "banner is not a JPEG"},
      {"icon not an icon", [](InstallerDescription& s) { s.icon = Jpeg(); }, "icon is not a Windows icon"},
      {"module without its file",
       [](InstallerDescription& s) { s.modules.push_back(Module("C:\\x\\none.prc", "", "")); },
       "no packed file is called 'none.prc'"},
      {"module found case-blind", [](InstallerDescription& s) { s.modules.push_back(Module("C:\\APP.PRC", "", "")); },
       nullptr},
      {"module path without a name", [](InstallerDescription& s) { s.modules.push_back(Module("C:\\x\\", "", "")); },
       "names no file"},
      {"two names the installer confuses", [](InstallerDescription& s) { s.files.push_back(File("app.PRC", "")); },
       "would only ever find the first"},
      {"the module list's name", [](InstallerDescription& s) { s.files.push_back(File("Ilist.Qsp", "")); },
       "module list's"},
      {"a name with a directory", [](InstallerDescription& s) { s.files.push_back(File("a\\b", "")); },
       "not a file name"},
      {"an empty name", [](InstallerDescription& s) { s.files.push_back(File("", "")); }, "not a file name"},
      {"conduit without its tool",
       [](InstallerDescription& s) { std::erase_if(s.files, [](auto& f) { return f.name == "CONDREG.EXE"; }); },
       "no packed file is called 'CONDREG.EXE'"},
      {"conduit files without the option",
       [](InstallerDescription& s) {
         s.options = {{"CKInstallDoviConduit", false}};
         std::erase_if(s.files, [](auto& f) { return f.name == "VEVORO20.DLL"; });
       },
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallerDescription s = Product();
    c.change(s);
    if (!c.message) {
      EXPECT_NO_THROW(BuildPayload(s));
      continue;
    }
    try {
      BuildPayload(s);
      ADD_FAILURE() << "accepted";
    } catch (const BuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(Builder, StubMustBeExactlyTheStub) {
  struct Case {
    std::size_t size;
    bool mz;
    const char* message;
  } cases[] = {{kStubSize, true, nullptr},
               {kStubSize - 1, true, "629759 bytes long"},
               {kStubSize + 1, true, "exactly 629760 bytes"},
               {0, false, "0 bytes long"},
               {kStubSize, false, "not a Windows program"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::vector<std::uint8_t> stub(c.size, 0);
    if (c.mz) stub[0] = 'M', stub[1] = 'Z';
    if (!c.message) {
      EXPECT_NO_THROW(CheckStub(stub));
      continue;
    }
    try {
      BuildInstaller(stub, InstallerDescription{});
      ADD_FAILURE() << "accepted";
    } catch (const BuildError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(Builder, WarnsAboutWhatTheInstallerWouldDoDifferently) {
  struct Case {
    TModuleRec module;
    const char* warning;  // nullptr: none
  };
  const Case cases[] = {
      {Module("App.prc", "App", "G"), nullptr},
      {Module("data.pdb\\notes.txt", "Notes", "G"), "queues it for the handheld"},
      {Module("App.prc", "App", "G", maRun), "never run"},
      {Module("App.prc", "App", "G", maRunWait), "never run"},
      {Module("HELLO.EXE", "Hello", "G", maQueueAndCopy), "handheld files only"},
      {Module("HELLO.EXE", "Hello", "G", 7), "does nothing beyond installing"},
      {Module("App.prc", "App", "G", 0, 1), "get no shortcut"},
      {Module("HELLO.EXE", "  ", "G", 0, 1), "no title"},
      {Module("HELLO.EXE", "Hello", "The application"), "under that module"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ModuleText(c.module.SourcePath));
    InstallerDescription s = Product();
    s.files.push_back(File("notes.txt", "n"));
    s.modules.push_back(c.module);
    auto warnings = CheckInstallerDescription(s);
    if (!c.warning) {
      EXPECT_TRUE(warnings.empty()) << warnings.front();
    } else {
      ASSERT_EQ(warnings.size(), 1u);
      EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
    }
  }
}

// The sample product, built from its manifest with stand-ins for the programs the Windows build
// makes, carries everything the manifest says.
TEST(Builder, SampleProductManifestBuilds) {
  fs::path dir = fs::temp_directory_path() / "qs_builder_sample";
  fs::remove_all(dir);
  fs::copy(kSample, dir, fs::copy_options::recursive);
  fs::create_directories(dir / "bin");
  for (const char* name : {"HELLO.EXE", "CONDREG.EXE", "VEVORO20.DLL"})
    std::ofstream(dir / "bin" / name) << "MZ" << name;
  Manifest m = LoadManifest((dir / "quillset.toml").string());
  EXPECT_TRUE(m.warnings.empty());
  EXPECT_TRUE(CheckInstallerDescription(m.product).empty());
  auto form = ReadBack(BuildPayload(m.product));
  fs::remove_all(dir);

  EXPECT_EQ(form->Caption(), "Hello Palm Setup");
  EXPECT_EQ(form->MemoLicence->Lines()[2], "Copyright \xA9 2001 Quillset sample authors. All rights reserved.");
  std::vector<std::string> names;
  for (int i = 0; i < form->PackFiles1->Items().Count(); ++i)
    names.push_back(form->PackFiles1->Items().Items(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"ILIST.QSP", "HelloPalm.prc", "HelloData.pdb", "HELLO.EXE", "readme.txt",
                                             "QsRuntime.prc", "VEVORO20.DLL", "CONDREG.EXE"}));
  auto list = form->PackFiles1->ExtractToStream("ILIST.QSP");
  auto parsed = ParseModuleList(list->Data(), static_cast<std::size_t>(list->Size()));
  ASSERT_EQ(parsed.records.size(), 4u);
  EXPECT_EQ(ModuleText(parsed.records[2].SourcePath), "bin\\HELLO.EXE");
  EXPECT_EQ(parsed.records[2].Action, maRunWait);
  EXPECT_EQ(parsed.records[3].MakeShortcut, 1);
  EXPECT_EQ(ModuleText(parsed.records[3].ProgramGroup), "Hello Palm");
}

}  // namespace
}  // namespace qs

namespace qs {
namespace {

TEST(ReadBack, PayloadOfAnInstaller) {
  std::vector<std::uint8_t> stub(kStubSize, 0);
  stub[0] = 'M', stub[1] = 'Z';
  EXPECT_THROW(PayloadOf(stub), BuildError);  // a bare stub
  EXPECT_THROW(PayloadOf({'Z', 'M', 1}), BuildError);
  std::vector<std::uint8_t> setup = stub;
  setup.push_back('T');
  EXPECT_EQ(PayloadOf(setup), std::vector<std::uint8_t>{'T'});
}

// What quillset test reports: each fault of a form that the wizard would trip over.
TEST(ReadBack, CheckFindsWhatTheWizardWouldTripOver) {
  struct Case {
    const char* what;
    std::function<void(TFormTools&)> change;
    const char* problem;  // nullptr: none
  };
  auto item = [](TFormTools& f, int i) { return f.PackFiles1->Items().Items(i); };
  const Case cases[] = {
      {"sound", [](TFormTools&) {}, nullptr},
      {"no module list", [&](TFormTools& f) { item(f, 0)->SetName("OTHER.QSP"); }, "no module list ILIST.QSP"},
      {"refused header", [&](TFormTools& f) { item(f, 0)->Data().Data()[0] = 0; },
       "header is not one the installer accepts"},
      {"piece of a record",
       [&](TFormTools& f) { item(f, 0)->Data().SetSize(static_cast<std::size_t>(item(f, 0)->Data().Size()) + 10); },
       "10 bytes that are not a whole module record"},
      {"module file missing", [&](TFormTools& f) { item(f, 1)->SetName("gone.prc"); },
       "no packed file is called 'App.prc'"},
      {"conduit tool missing", [&](TFormTools& f) { item(f, 5)->SetName("x.exe"); },
       "no packed file is called 'CONDREG.EXE'"},
      {"message too long", [](TFormTools& f) { f.idExit->SetCaption(std::string(1024, 'x')); },
       "longer than a message"},
      {"component missing", [](TFormTools& f) { delete f.FindComponent("idStop"); }, "the form has no idStop"},
      {"page missing", [](TFormTools& f) { delete f.Notebook1->Page(7); }, "Notebook1 has 7 pages"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto form = ReadPayload(BuildPayload(Product()));
    c.change(*form);
    auto problems = CheckPayloadForm(*form);
    if (!c.problem) {
      EXPECT_TRUE(problems.empty()) << problems.front();
      continue;
    }
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(problems[0].find(c.problem), std::string::npos) << problems[0];
  }
}

}  // namespace
}  // namespace qs
