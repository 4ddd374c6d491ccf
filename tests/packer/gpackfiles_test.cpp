#include "packer/gpackfiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/errors.h"
#include "packer/gcompress.h"
#include "platform/portable/host.h"
#include "platform/temp_dir.h"
#include "stream/bytes.h"
#include "stream/reader.h"
#include "stream/writer.h"

namespace qs {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A root that writes the components it owns as its children.
class TPackRoot : public TComponent {
 public:
  using TComponent::TComponent;
  static const ClassInfo& StaticInfo() {
    static const ClassInfo info{"TPackRoot", &TComponent::StaticInfo(), {}, {}, {}, {}};
    return info;
  }
  const ClassInfo& Info() const override { return StaticInfo(); }
  std::vector<TComponent*> Children() const override {
    std::vector<TComponent*> v;
    for (int i = 0; i < ComponentCount(); ++i) v.push_back(Component(i));
    return v;
  }
};

TFileItem& Add(TPackFiles& pack, const std::string& name, const Bytes& bytes, bool compress = true) {
  TFileItem& item = *pack.Items().AddItem();
  item.SetName(name);
  item.Compress = compress;
  item.Data().WriteBuffer(bytes.data(), bytes.size());
  item.Data().SetPosition(0);
  return item;
}

// A host whose file system maps C: onto a fresh folder, installed for the test's duration.
struct HostFixture {
  test::TempDir dir;
  PortableHost host;
  Platform* previous = HostSlot();
  HostFixture() {
    host.files.MapDrive('C', dir.Path());
    SetHost(&host.platform);
  }
  ~HostFixture() { SetHost(previous); }
};

// ---- lookup by name -----------------------------------------------------------------------------------

TEST(PackFiles, ExtractFindsTheFirstNameEqualOnceAToZAreUpperCase) {
  TPackFiles pack(nullptr);
  Add(pack, "ILIST.QSP", B("list"));
  Add(pack, "a.prc", B("first"));
  Add(pack, "A.PRC", B("second"));
  Add(pack, "\xE9t\xE9.pdb", B("accented"));  // e-acute, lower case
  Add(pack, "empty.txt", {});
  struct Case {
    const char* name;
    const char* want;  // nullptr: no item matches
  } cases[] = {
      {"ilist.qsp", "list"},      {"ILIST.QSP", "list"},
      {"IList.Qsp", "list"},      {"A.prc", "first"},             // the lower index wins
      {"a.PRC", "first"},         {"\xE9T\xE9.PDB", "accented"},  // a-z fold, the accented bytes stay as they are
      {"\xC9T\xC9.PDB", nullptr},                                 // E-acute is not e-acute
      {"empty.txt", ""},          {"ilist.qsp ", nullptr},        // no trimming
      {"ilist", nullptr},         {"", nullptr},
      {"unknown.prc", nullptr},
  };
  for (const auto& c : cases) {
    auto s = pack.ExtractToStream(c.name);
    ASSERT_TRUE(s) << c.name;
    EXPECT_EQ(s->Position(), 0) << c.name;
    EXPECT_EQ(s->Text(), c.want ? c.want : "") << c.name;
  }
}

TEST(PackFiles, ExtractionsAreIndependentCopies) {
  TPackFiles pack(nullptr);
  Add(pack, "F.PRC", B("payload bytes"));
  auto one = pack.ExtractToStream("f.prc");
  auto two = pack.ExtractToStream("F.PRC");
  EXPECT_EQ(one->Bytes(), two->Bytes());
  one->SetPosition(0);
  one->WriteBuffer("XX", 2);
  EXPECT_EQ(two->Text(), "payload bytes");
  EXPECT_EQ(pack.ExtractToStream("f.prc")->Text(), "payload bytes");
  EXPECT_EQ(pack.Items().Count(), 1);
}

// ---- the component and its class tables ---------------------------------------------------------------

TEST(PackFiles, VersionStaysOnePointThree) {
  TPackFiles pack(nullptr);
  EXPECT_EQ(pack.Version(), "1.3");
  pack.SetVersion("2.0");
  EXPECT_EQ(pack.Version(), "1.3");
  PropValue v;
  v.s = "";
  TPackFiles::StaticInfo().FindProp("version")->set(pack, v);
  EXPECT_EQ(pack.Version(), "1.3");
}

TEST(PackFiles, ItemsSetterCopiesAnotherCollection) {
  TPackFiles from(nullptr), to(nullptr);
  Add(from, "A", B("aa")).SetDescription("first");
  Add(from, "B", B("bb"), false);
  Add(to, "OLD", B("old"));
  PropValue v;
  v.obj = &from.Items();
  TPackFiles::StaticInfo().FindProp("Items")->set(to, v);
  ASSERT_EQ(to.Items().Count(), 2);
  EXPECT_EQ(to.Items().Items(0)->Description(), "first");
  EXPECT_FALSE(to.Items().Items(1)->Compress);
  EXPECT_EQ(to.ExtractToStream("b")->Text(), "bb");
  EXPECT_EQ(to.Items().Items(0)->FCollectionRef, &to.Items());
  from.Items().Items(0)->Data().SetPosition(0);
  from.Items().Items(0)->Data().WriteBuffer("ZZ", 2);
  EXPECT_EQ(to.ExtractToStream("a")->Text(), "aa");  // a copy, not shared bytes
  v.obj = nullptr;
  EXPECT_THROW(TPackFiles::StaticInfo().FindProp("Items")->set(to, v), Exception);
  EXPECT_EQ(to.Items().Count(), 2);
}

TEST(PackFiles, RegisteredAndCreatableByName) {
  RegisterPackerClasses();
  const ClassInfo* cls = ClassRegistry::Find("tpackfiles");
  ASSERT_TRUE(cls);
  ASSERT_TRUE(cls->create);
  TPackRoot root(nullptr);
  TComponent* c = cls->create(&root);
  EXPECT_EQ(c->Owner(), &root);
  EXPECT_EQ(&c->Info(), &TPackFiles::StaticInfo());
}

// ---- "TPFData" -------------------------------------------------------------------------------------------

class RecordingFiler : public TFiler {
 public:
  struct Entry {
    std::string name;
    bool binary, hasData;
    std::function<void(TStream&)> read, write;
  };
  std::vector<Entry> entries;
  void DefineProperty(std::string_view name, const std::function<void(TReader&)>&, const std::function<void(TWriter&)>&,
                      bool hasData) override {
    entries.push_back({std::string(name), false, hasData, {}, {}});
  }
  void DefineBinaryProperty(std::string_view name, const std::function<void(TStream&)>& read,
                            const std::function<void(TStream&)>& write, bool hasData) override {
    entries.push_back({std::string(name), true, hasData, read, write});
  }
};

TEST(PackFiles, TPFDataRoundTripsRawAndCompressed) {
  std::mt19937 rng(3);
  Bytes random(100000);
  for (auto& b : random) b = static_cast<std::uint8_t>(rng());
  struct Case {
    const char* what;
    Bytes bytes;
  } cases[] = {{"empty", {}},
               {"one byte", B("x")},
               {"text", B("abcabcabc and more text, abcabc")},
               {"random", random},
               {"zeros over two chunks", Bytes(70000, 0)}};
  for (const auto& c : cases) {
    for (bool compress : {false, true}) {
      TPackFiles pack(nullptr);
      TFileItem& item = Add(pack, "F", c.bytes, compress);
      item.Data().Seek(0, SeekOrigin::End);  // the writer rewinds it
      RecordingFiler filer;
      item.DefineProperties(filer);
      ASSERT_EQ(filer.entries.size(), 1u);
      EXPECT_EQ(filer.entries[0].name, "TPFData");
      EXPECT_TRUE(filer.entries[0].binary && filer.entries[0].hasData);
      TMemoryStream value;
      filer.entries[0].write(value);
      if (compress) {
        TMemoryStream expected, src(c.bytes);
        TGCompressStream().CompressStream(src, expected, static_cast<std::int64_t>(c.bytes.size()));
        EXPECT_EQ(value.Bytes(), expected.Bytes()) << c.what;
      } else {
        EXPECT_EQ(value.Bytes(), c.bytes) << c.what << ": stored as they are";
      }
      TFileItem& back = *pack.Items().AddItem();
      back.Compress = compress;
      value.SetPosition(0);
      RecordingFiler readFiler;
      back.DefineProperties(readFiler);
      readFiler.entries[0].read(value);
      EXPECT_TRUE(back.Data().Bytes() == c.bytes) << c.what << (compress ? " compressed" : " raw");
      EXPECT_EQ(back.Data().Position(), 0);
    }
  }
}

TEST(PackFiles, ReadingBytesHandlesMessagesFirstAndReplacesEarlierBytes) {
  Platform platform;
  int messages = 0;
  platform.processMessages = [&] { ++messages; };
  Platform* previous = HostSlot();
  SetHost(&platform);
  TPackFiles pack(nullptr);
  TFileItem& item = Add(pack, "F", B("a much longer earlier content"), false);
  TMemoryStream raw(B("new"));
  raw.SetPosition(2);  // the item reads the whole value, wherever it stands
  item.ReadTPFData(raw);
  EXPECT_EQ(item.Data().Text(), "new");
  item.Compress = true;
  TMemoryStream packed, plain(B("zz"));
  TGCompressStream().CompressStream(plain, packed, 2);
  packed.SetPosition(0);
  item.ReadTPFData(packed);
  EXPECT_EQ(item.Data().Text(), "zz");
  EXPECT_EQ(messages, 2);
  SetHost(nullptr);
  TMemoryStream again(packed.Bytes());
  item.ReadTPFData(again);  // no host: nothing to process, still read
  EXPECT_EQ(item.Data().Text(), "zz");
  SetHost(previous);
}

TEST(PackFiles, ACompressedValueThatIsNotAContainerFails) {
  TPackFiles pack(nullptr);
  TFileItem& item = Add(pack, "F", {});
  struct Case {
    const char* what;
    Bytes value;
  } cases[] = {
      {"raw text read as a container", B("plain text that is longer than a header")},
      {"cut container", {0x47, 0x44, 0x47, 0x0C, 0, 0, 0, 8, 0, 0, 0, 0x40}},
      {"too short for a header", B("GD")},
  };
  for (const auto& c : cases) {
    TMemoryStream value(c.value);
    EXPECT_THROW(item.ReadTPFData(value), Exception) << c.what;
  }
}

// ---- files on disk -----------------------------------------------------------------------------------------

TEST(PackFiles, FilenameLoadsTheFileAndNamesTheItem) {
  HostFixture f;
  test::WriteHostFile(f.dir.Path() / "dir" / "App.prc", "application bytes");
  test::WriteHostFile(f.dir.Path() / "e.bin", "");
  TPackFiles pack(nullptr);
  TFileItem& item = Add(pack, "OLD", B("old bytes"));
  struct Case {
    const char* path;
    const char* error;  // nullptr: loads
    const char* name;
    const char* bytes;
  } cases[] = {
      {"C:\\dir\\App.prc", nullptr, "App.prc", "application bytes"},
      {"C:\\dir\\missing.prc", "The specified file does not exist.", "App.prc", "application bytes"},
      {"C:\\dir", "The specified file does not exist.", "App.prc", "application bytes"},  // a folder
      {"", nullptr, "App.prc", "application bytes"},                                      // ignored
      {"C:e.bin", nullptr, "e.bin", ""},
  };
  for (const auto& c : cases) {
    if (c.error) {
      try {
        item.SetFilename(c.path);
        ADD_FAILURE() << c.path << ": accepted";
      } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), c.error);
      }
    } else {
      item.SetFilename(c.path);
    }
    EXPECT_EQ(item.Name(), c.name) << c.path;
    EXPECT_EQ(item.Data().Text(), c.bytes) << c.path;
  }
  EXPECT_EQ(item.Filename(), "C:e.bin");
  // The same path again does nothing, even when the file changed.
  test::WriteHostFile(f.dir.Path() / "e.bin", "changed");
  item.SetFilename("C:e.bin");
  EXPECT_EQ(item.Data().Text(), "");
  EXPECT_EQ(f.host.files.OpenFiles(), 0u);
}

TEST(PackFiles, SaveToFileAndSaveToStream) {
  HostFixture f;
  TPackFiles pack(nullptr);
  TFileItem& item = Add(pack, "F", B("saved bytes"));
  EXPECT_FALSE(item.SaveToFile(""));
  test::WriteHostFile(f.dir.Path() / "out.bin", "a longer file that is replaced");
  EXPECT_TRUE(item.SaveToFile("C:\\out.bin"));
  EXPECT_EQ(test::ReadHostFile(f.dir.Path() / "out.bin"), "saved bytes");
  EXPECT_THROW(item.SaveToFile("C:\\no such dir\\out.bin"), EFCreateError);
  TMemoryStream s(B("head:"));
  s.Seek(0, SeekOrigin::End);
  EXPECT_TRUE(item.SaveToStream(s));
  EXPECT_EQ(s.Text(), "head:saved bytes");
  EXPECT_EQ(s.Position(), 0);
}

// ---- through the component stream ----------------------------------------------------------------------------

TEST(PackFiles, WrittenAndReadBackThroughAComponentStream) {
  TPackRoot root(nullptr);
  auto* pack = new TPackFiles(&root);
  pack->SetName("PackFiles1");
  Add(*pack, "ILIST.QSP", B("module list"), false);
  Add(*pack, "EMPTY.PRC", {}, false);
  Add(*pack, "BIG.PRC", Bytes(50000, 7)).SetDescription("runtime");
  TMemoryStream stream;
  WriteComponentStream(stream, root);

  // The raw empty file is "TPFData", tag 10, length 0; no "Filename" and no "About" are written.
  const std::string text = stream.Text();
  const std::string emptyValue = std::string("\x07TPFData\x0A\0\0\0\0", 13);
  EXPECT_NE(text.find(std::string("\x09"
                                  "EMPTY.PRC",
                                  10) +
                      "\x08"
                      "Compress"
                      "\x08" +
                      emptyValue),
            std::string::npos);
  EXPECT_EQ(text.find("Filename"), std::string::npos);
  EXPECT_EQ(text.find("About"), std::string::npos);

  TPackRoot back(nullptr);
  stream.SetPosition(0);
  ReadComponentStream(stream, back);
  auto* read = dynamic_cast<TPackFiles*>(back.FindComponent("PackFiles1"));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Items().Count(), 3);
  EXPECT_EQ(read->ExtractToStream("ilist.qsp")->Text(), "module list");
  EXPECT_EQ(read->ExtractToStream("empty.prc")->Size(), 0);
  EXPECT_EQ(read->ExtractToStream("big.prc")->Bytes(), Bytes(50000, 7));
  EXPECT_TRUE(read->Items().Items(2)->Compress);
  EXPECT_EQ(read->Items().Items(2)->Description(), "runtime");
  EXPECT_EQ(read->Items().Items(0)->Filename(), "");
}

// A hand-made stream: "Version" other than 1.3, an item without "Compress" (read as a container),
// and an item that names a file on the installing machine.
TEST(PackFiles, HandMadeStreams) {
  HostFixture f;
  test::WriteHostFile(f.dir.Path() / "disk.txt", "from disk");
  TMemoryStream packed, plain(B("abcabcabc"));
  TGCompressStream().CompressStream(plain, packed, 9);
  const std::string container = packed.Text();
  struct Case {
    const char* what;
    test::Bytes props;
    const char* error;  // part of the message, nullptr when it reads
    const char* name;
    const char* bytes;
  } cases[] = {
      {"no Compress: a container", test::Bytes().prop("Name").str("N.PRC").prop("TPFData").bin(container), nullptr,
       "N.PRC", "abcabcabc"},
      {"Compress False",
       test::Bytes().prop("Name").str("N.PRC").prop("Compress").raw({TagFalse}).prop("TPFData").bin("raw"), nullptr,
       "N.PRC", "raw"},
      {"Filename loads the file and renames",
       test::Bytes().prop("Name").str("N.PRC").prop("Filename").str("C:\\disk.txt"), nullptr, "disk.txt", "from disk"},
      {"Filename of a missing file", test::Bytes().prop("Name").str("N.PRC").prop("Filename").str("C:\\missing.txt"),
       "error reading TFileItem.Filename: The specified file does not exist.", nullptr, nullptr},
      {"a cut container", test::Bytes().prop("Name").str("N.PRC").prop("TPFData").bin(container.substr(0, 12)),
       "error reading TFileItem.TPFData: stream read error", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    test::Bytes b;
    b.sig().obj("TPackRoot", "Root").end();
    b.obj("TPackFiles", "PackFiles1").prop("Version").str("9.9").prop("Items").raw({TagCollection, TagList});
    b.v.insert(b.v.end(), c.props.v.begin(), c.props.v.end());
    b.end().end().end().end().end();
    TMemoryStream s = b.Stream();
    TPackRoot root(nullptr);
    if (c.error) {
      try {
        ReadComponentStream(s, root);
        ADD_FAILURE() << c.what << ": read";
      } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << c.what << ": " << e.what();
      }
      continue;
    }
    ReadComponentStream(s, root);
    auto* pack = dynamic_cast<TPackFiles*>(root.FindComponent("PackFiles1"));
    ASSERT_TRUE(pack) << c.what;
    EXPECT_EQ(pack->Version(), "1.3") << c.what;
    ASSERT_EQ(pack->Items().Count(), 1) << c.what;
    EXPECT_EQ(pack->Items().Items(0)->Name(), c.name) << c.what;
    EXPECT_EQ(pack->Items().Items(0)->Data().Text(), c.bytes) << c.what;
  }
}

}  // namespace
}  // namespace qs
