// The listing of an installer (list --json, info): its JSON writer, its digest, what it says about
// the bytes after the form, and the listing of a built installer.
#include "builder/listing.h"

#include <gtest/gtest.h>

#include "builder/builder.h"
#include "builder/json.h"
#include "builder/sha256.h"

namespace qs {
namespace {

TEST(JsonWriter, QuotesAsRfc8259AsksAndReplacesWhatIsNotUtf8) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c/d", "\"a\\\"b\\\\c/d\""},
      {"\n\r\t\b\x01\x1f\x7f", "\"\\n\\r\\t\\u0008\\u0001\\u001f\\u007f\""},
      {"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
      {"\xE9t\xE9", "\"\\ufffdt\\ufffd\""},           // code page 1252 bytes
      {"\xC0\x80", "\"\\ufffd\\ufffd\""},             // overlong
      {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate
      {"\xE2\x82", "\"\\ufffd\\ufffd\""},             // cut short
      {std::string("a\0b", 3), "\"a\\u0000b\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonWriter::Quote(c.in), c.out) << c.in;
}

TEST(JsonWriter, NestsWithCommasAndIndentation) {
  JsonWriter j;
  j.BeginObject();
  j.Key("a").Int(-1);
  j.Key("b").BeginArray().String("x").Bool(true).Null().EndArray();
  j.Key("c").BeginObject().EndObject();
  j.Key("d").BeginArray().EndArray();
  j.EndObject();
  EXPECT_EQ(j.Text(),
            "{\n  \"a\": -1,\n  \"b\": [\n    \"x\",\n    true,\n    null\n  ],\n  \"c\": {},\n  \"d\": []\n}\n");
}

TEST(Sha256, KnownDigests) {
  struct Case {
    std::string in, hex;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: padding takes a block
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Sha256Hex(reinterpret_cast<const std::uint8_t*>(c.in.data()), c.in.size()), c.hex);
    Sha256 pieces;  // the same bytes handed over in uneven pieces
    for (std::size_t at = 0; at < c.in.size(); at += 7)
      pieces.Update(reinterpret_cast<const std::uint8_t*>(c.in.data()) + at,
                    std::min<std::size_t>(7, c.in.size() - at));
    std::string hex;
    for (std::uint8_t b : pieces.Finish()) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
    EXPECT_EQ(hex, c.hex) << "in pieces";
  }
}

// A stub whose PE header names a certificate table (security directory) at `at`, `size` bytes.
std::vector<std::uint8_t> StubWithSecurityDirectory(std::uint32_t at, std::uint32_t size, std::uint16_t magic) {
  std::vector<std::uint8_t> b(kStubSize, 0);
  b[0] = 'M', b[1] = 'Z';
  auto put32 = [&](std::size_t o, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[o + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(0x3C, 0x80);
  put32(0x80, 0x4550);
  const std::size_t optional = 0x80 + 24, directories = optional + (magic == 0x10B ? 96 : 112);
  b[optional] = static_cast<std::uint8_t>(magic), b[optional + 1] = static_cast<std::uint8_t>(magic >> 8);
  put32(directories - 4, 16);
  put32(directories + 32, at);
  put32(directories + 36, size);
  return b;
}

TEST(DescribeTrailer, SaysWhatTheBytesAfterTheFormLookLike) {
  const std::uint64_t end = kStubSize + 10;
  auto with = [&](std::vector<std::uint8_t> stub, std::string tail) {
    stub.resize(end, 'F');
    stub.insert(stub.end(), tail.begin(), tail.end());
    return stub;
  };
  std::vector<std::uint8_t> plain(kStubSize, 0);
  plain[0] = 'M', plain[1] = 'Z';
  const std::string cert("\x10\0\0\0\0\x02\x02\0signatur", 16);
  struct Case {
    std::vector<std::uint8_t> file;
    std::string kind, head;
    bool certificate;
  } cases[] = {
      {with(plain, ""), "none", "", false},
      {with(plain, std::string(5, '\0')), "zeros", "0000000000", false},
      {with(plain, "TPF0\x0a"), "component-stream", "545046300a", false},
      {with(plain, "junk"), "unknown", "6a756e6b", false},
      {with(StubWithSecurityDirectory(end, 16, 0x10B), cert), "pe-certificate-table", "1000000000020200", true},
      {with(StubWithSecurityDirectory(end, 16, 0x20B), cert), "pe-certificate-table", "1000000000020200", true},
      // A directory that points past the end of the file is no table.
      {with(StubWithSecurityDirectory(end, 17, 0x10B), cert), "unknown", "1000000000020200", false},
  };
  for (const Case& c : cases) {
    Trailer t = DescribeTrailer(c.file, end);
    EXPECT_EQ(t.kind, c.kind);
    EXPECT_EQ(t.offset, end);
    EXPECT_EQ(t.head.substr(0, c.head.size()), c.head);
    ASSERT_EQ(t.certificate.has_value(), c.certificate) << c.kind;
    if (c.certificate) {
      EXPECT_EQ(t.certificate->offset, end);
      EXPECT_EQ(t.certificate->revision, 0x0200);
      EXPECT_EQ(t.certificate->type, 2);
    }
  }
}

TModuleRec Module(const char* source, const char* title, const char* group, std::int32_t action, std::int32_t shortcut,
                  const char* programGroup) {
  TModuleRec r = EmptyModuleRec();
  SetModuleText(r.SourcePath, source);
  SetModuleText(r.Title, title);
  SetModuleText(r.Group, group);
  SetModuleText(r.ProgramGroup, programGroup);
  r.Action = action;
  r.MakeShortcut = shortcut;
  return r;
}

TEST(ListInstaller, ListsModulesFilesAndTextsAsTheInstallerReadsThem) {
  InstallerDescription d;
  d.caption = "Caf\xE9 Setup";
  d.options = {{"CKInstallDoviConduit", true}};
  d.welcomeLines = std::vector<std::string>{"one", "\"two\""};
  d.modules = {Module("C:\\src\\App.prc", "", "", maQueueAndCopy, 0, ""),
               Module("bin\\Tool.exe", "Tool", "Desktop", maRunWait, 1, "Suite"),
               Module("C:\\Data.PDB\\readme.txt", "Read me", "Desktop", 7, 0, "")};
  auto file = [](const char* name, std::string bytes, bool compress, const char* description = "") {
    return PackedFileDescription{name, description, compress, std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                                 "",   {},          0};
  };
  d.files = {file("APP.PRC", "abc", true),       file("Tool.exe", "MZ tool", false),
             file("readme.txt", "", false),      file("Rt.prc", "rt", true, "DORUVU runtime"),
             file("VEVORO20.DLL", "dll", false), file("CONDREG.EXE", "exe", true)};
  std::vector<std::uint8_t> stub(kStubSize, 0);
  stub[0] = 'M', stub[1] = 'Z';
  auto installer = BuildInstaller(stub, d);

  auto l = ListInstaller(installer);
  EXPECT_EQ(l->caption, "Caf\xC3\xA9 Setup");
  EXPECT_EQ(l->welcome, (std::vector<std::string>{"one", "\"two\""}));
  ASSERT_EQ(l->modules.size(), 3u);
  struct Want {
    std::string packedName, treeText, shownGroup;
    bool handheld;
    std::uint64_t size;
  } want[] = {{"App.prc", "App.prc", "General", true, 3},
              {"Tool.exe", "Tool", "Desktop", false, 7},
              {"readme.txt", "Read me", "Desktop", true, 0}};  // ".PDB" in its folder makes it handheld
  for (std::size_t i = 0; i < 3; ++i) {
    const ListedModule& m = l->modules[i];
    EXPECT_EQ(m.packedName, want[i].packedName);
    EXPECT_EQ(m.treeText, want[i].treeText);
    EXPECT_EQ(m.shownGroup, want[i].shownGroup);
    EXPECT_EQ(m.handheld, want[i].handheld) << i;
    ASSERT_TRUE(m.file) << i;  // found as the installer finds it, letter case aside
    EXPECT_EQ(m.file->size, want[i].size);
  }
  EXPECT_EQ(l->modules[0].file->sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(l->runtimeModules, std::vector<std::string>{"Rt.prc"});
  EXPECT_TRUE(l->conduit);
  ASSERT_EQ(l->files.size(), 7u);  // the module list first
  EXPECT_EQ(l->files[0].name, "ILIST.QSP");
  EXPECT_EQ(l->trailer.kind, "none");

  const std::string json = ListingJson(*l);
  EXPECT_EQ(json, ListingJson(*ListInstaller(installer))) << "the same installer, the same document";
  for (const char* part : {"\"format_version\": 1", "\"action_name\": \"run-wait\"", "\"action_name\": \"7\"",
                           "\"kind\": \"handheld\"", "\"signature\": null", "\"CKInstallDoviConduit\": true"})
    EXPECT_NE(json.find(part), std::string::npos) << part;

  // Bytes after the form are listed, and only there.
  installer.insert(installer.end(), 8, 0);
  EXPECT_EQ(ListInstaller(installer)->trailer.kind, "zeros");
  EXPECT_THROW(ListInstaller(stub), BuildError);
}

}  // namespace
}  // namespace qs
