// The text form: a golden dump of every tag, the way back to bytes, and the failures of both
// directions.
#include "stream/textform.h"

#include <gtest/gtest.h>

#include "stream/bytes.h"
#include "stream/tags.h"

namespace qs::test {
namespace {

std::string Dump(const std::vector<std::uint8_t>& bytes, std::string* error = nullptr, std::int64_t* pos = nullptr) {
  TMemoryStream s(bytes);
  std::string out;
  try {
    DumpComponentStream(s, out);
  } catch (const std::exception& e) {
    if (!error) throw;
    *error = e.what();
  }
  if (pos) *pos = s.Position();
  return out;
}

std::vector<std::uint8_t> Compile(std::string_view text) {
  TMemoryStream s;
  TextToComponentStream(text, s);
  return s.Bytes();
}

Bytes Every() {
  std::string data;
  for (int i = 0; i < 40; ++i) data.push_back(static_cast<char>(i));
  Bytes b;
  b.sig().obj("TForm1", "Form1");
  b.prop("Left").i8(-11).prop("Width").i16(300).prop("Big").i32(100000);
  b.prop("Ratio").raw({TagExtended, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F});
  b.prop("Odd").raw({TagExtended, 1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0x7F});
  b.prop("Caption")
      .str(
          "It's cr\xE9"
          "e\r\n")
      .prop("Long")
      .lstr("xxx");
  b.prop("Align").ident("alTop").prop("Tricky").ident("True").prop("Spaced").ident("a b");
  b.prop("High").raw({0x80 | TagIdent}).s("abc").prop("HighFalse").raw({0x80 | TagFalse});
  b.prop("F").raw({TagFalse}).prop("T").raw({TagTrue}).prop("N").raw({TagNil}).prop("Z").raw({TagNull});
  b.prop("Picture.Data").bin(data).prop("Empty.Data").bin("");
  b.prop("Style").raw({TagSet}).s("fsBold").s("odd name").s("").prop("None").raw({TagSet}).s("");
  b.prop("Lines.Strings").raw({TagList}).str("a").i8(1).raw({TagList, 0, 0x80, 0});
  b.prop("NoLines").raw({TagList, 0});
  b.prop("Items").raw({TagCollection}).i8(3).raw({TagList}).prop("Name").str("x").end().raw({TagList}).end().end();
  b.prop("Nothing").raw({TagCollection, 0});
  b.prop("V1").raw({TagSingle, 0, 0, 0xC0, 0x3F});
  b.prop("V2").raw({TagCurrency, 0x40, 0xE2, 0x01, 0, 0, 0, 0, 0});
  b.prop("V3").raw({TagCurrency, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  b.prop("V4").raw({TagDate, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F});
  b.prop("V5").raw({TagWideString}).u32(2).raw({'h', 0, 0xAC, 0x20});
  b.prop("odd prop").i8(1);
  b.end();
  b.raw({0xF3}).i8(2).obj("TLabel", "Label1").end().end();
  b.obj("TPage", "").end().obj("TLabel", "Inner").end().end().end();
  return b.end();
}

const char* const kEveryText =
    "object Form1: TForm1\n"
    "  Left = -11\n"
    "  Width = 300\n"
    "  Big = 100000\n"
    "  Ratio = 1.5\n"
    "  Odd = Extended($0100000000000000FF7F)\n"
    "  Caption = 'It''s cr'#233'e'#13#10\n"
    "  Long = 'xxx'\n"
    "  Align = alTop\n"
    "  Tricky = Ident('True')\n"
    "  Spaced = Ident('a b')\n"
    "  High = abc\n"
    "  HighFalse = Ident('False')\n"
    "  F = False\n"
    "  T = True\n"
    "  N = nil\n"
    "  Z = Null\n"
    "  Picture.Data = {\n"
    "    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n"
    "    2021222324252627\n"
    "  }\n"
    "  Empty.Data = {}\n"
    "  Style = [fsBold, 'odd name']\n"
    "  None = []\n"
    "  Lines.Strings = (\n"
    "    'a'\n"
    "    1\n"
    "    ()\n"
    "    Ident('Null')\n"
    "  )\n"
    "  NoLines = ()\n"
    "  Items = <\n"
    "    item [3]\n"
    "      Name = 'x'\n"
    "    end\n"
    "    item\n"
    "    end\n"
    "  >\n"
    "  Nothing = <>\n"
    "  V1 = Single(1.5)\n"
    "  V2 = Currency(12.3456)\n"
    "  V3 = Currency(-0.0001)\n"
    "  V4 = Date(1.5)\n"
    "  V5 = WideString('h'#8364)\n"
    "  'odd prop' = 1\n"
    "  inherited Label1: TLabel [2]\n"
    "  end\n"
    "  object TPage\n"
    "    object Inner: TLabel\n"
    "    end\n"
    "  end\n"
    "end\n";

TEST(TextForm, DumpsEveryTagReadably) { EXPECT_EQ(Dump(Every().v), kEveryText); }

TEST(TextForm, TextCompilesBackToTheSameMeaning) {
  // The tags that the text does not tell apart (12 for a short text, the top bit of an ident)
  // come back in their plain form; the dump is the same.
  const auto bytes = Compile(kEveryText);
  EXPECT_EQ(Dump(bytes), kEveryText);
  // A stream in plain form comes back byte for byte.
  EXPECT_EQ(Compile(Dump(bytes)), bytes);
  // So do the ends of a value's range, whose last digit is the one that reaches the limit.
  for (const char* v : {"Currency(-922337203685477.5808)", "Currency(922337203685477.5807)", "-2147483648"}) {
    const std::string text = std::string("object F: TForm\n  X = ") + v + "\nend\n";
    EXPECT_EQ(Dump(Compile(text)), text);
  }
}

TEST(TextForm, CompilesFreeFormTextWithComments) {
  const char* text =
      "// the built-in form\n"
      "object F: TF  Caption = 'Ab'#0 Tag = 300 Flag = True Colour = clRed Set=[a,b]\n"
      "  Lines.Strings = ('x' 'y') object TPage [1] end end   // trailing comment\n";
  Bytes expected;
  expected.sig().obj("TF", "F").prop("Caption").str(std::string("Ab\0", 3)).prop("Tag").i16(300);
  expected.prop("Flag").raw({TagTrue}).prop("Colour").ident("clRed").prop("Set").raw({TagSet}).s("a").s("b").s("");
  expected.prop("Lines.Strings").raw({TagList}).str("x").str("y").end().end();
  expected.raw({0xF2}).i8(1).obj("TPage", "").end().end().end();
  EXPECT_EQ(Compile(text), expected.v);
  // Over 255 bytes a text is written as tag 12.
  auto bytes = Compile("object F: TF Caption = '" + std::string(256, 'x') + "' end");
  EXPECT_EQ(bytes[4 + 5 + 8], TagLongString);
  // An empty class name gets a prefix without flags, so that it is not read as the list's end.
  Bytes empty;
  empty.sig().obj("TF", "F").end().raw({0xF0}).obj("", "").end().end().end();
  EXPECT_EQ(Compile("object F: TF object '' end end"), empty.v);
  EXPECT_EQ(Dump(empty.v), "object F: TF\n  object ''\n  end\nend\n");
  // So does a class name whose length byte would read as a prefix.
  const std::string longClass(240, 'C');
  Bytes prefixed;
  prefixed.sig().obj("TF", "F").end().raw({0xF0}).obj(longClass, "").end().end().end();
  EXPECT_EQ(Compile("object F: TF object " + longClass + " end end"), prefixed.v);
  const auto shortClass = Compile("object F: TF object " + longClass.substr(1) + " end end");
  EXPECT_EQ(shortClass[4 + 3 + 2 + 1], 239);
}

TEST(TextForm, MalformedTextNamesItsLine) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string head = "object A: TA\n";
  std::string deep = head;
  for (int i = 0; i < 300; ++i) deep += "object B: TB\n";
  std::vector<Case> cases = {
      {"", "line 1: expected \"object\""},
      {"thing A: TA end", "line 1: expected \"object\""},
      {"object A: TA [", "line 1: expected an integer"},
      {"object A: TA [+", "line 1: expected an integer"},
      {"object A: TA [1", "line 1: expected \"]\""},
      {head + "end\nextra", "line 3: text after the end of the root object"},
      {head + "  X = 'abc\nend", "line 2: unterminated text"},
      {head + "  X = 4294967296\nend", "line 2: integer out of range"},
      {head + "  X = -2147483649\nend", "line 2: integer out of range"},
      {head + "  X = {0A1}\nend", "line 2: expected hexadecimal bytes or \"}\""},
      {head + "  X = (Null)\nend", "line 2: Null would end the list; write Ident('Null')"},
      {head + "  object B: TB\n  end\n  X = 1\nend", "line 4: properties come before the child objects"},
      {head + "  X = <item Y = 1>\nend", "line 2: expected a property or \"end\""},
      {head + "  X = <thing>\nend", "line 2: expected \"item\" or \">\""},
      {head + "  X = #300\nend", "line 2: character code out of range"},
      {head + "  X = WideString(#70000)\nend", "line 2: character code out of range"},
      {head + "  X = Currency(1.23456)\nend", "line 2: a currency value has at most four decimal places"},
      {head + "  X = Currency(922337203685477.5808)\nend", "line 2: currency value out of range"},
      {head + "  X = Extended($00)\nend", "line 2: expected hexadecimal bytes"},
      {head + "  X = Single(abc)\nend", "line 2: expected a number"},
      {head + "  X 1\nend", "line 2: expected \"object\" or \"end\""},
      {head + "  X = \n", "line 3: expected a value"},
      {head + "  X = [a,]\nend", "line 2: expected a name"},
      {head + "  X = 1", "line 2: expected \"object\" or \"end\""},
      {head + "  " + std::string(256, 'n') + " = 1\nend", "line 2: a name is longer than 255 bytes"},
      {head + "  X = Ident('" + std::string(256, 'n') + "')\nend", "line 2: an identifier is longer than 255 bytes"},
      {head + "  Ratio = 5.0 ''\n  = <>\nend", "line 2: a property name cannot be empty"},
      {head + "  X = <item '' = 1 end>\nend", "line 2: a property name cannot be empty"},
      {deep, "line 258: objects nested deeper than 256 levels"},
      {head + "  X = " + std::string(300, '(') + "\nend", "line 2: values nested deeper than 256 levels"},
  };
  for (const auto& c : cases) {
    std::string error;
    try {
      Compile(c.text);
    } catch (const ETextFormError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.text.substr(0, 80);
  }
}

TEST(TextForm, MalformedStreamsFailWithTheReadersMessages) {
  struct Case {
    const char* what;
    Bytes stream;
    std::string error;
    std::string partial;
  };
  Bytes deepList;
  deepList.sig().obj("TA", "A").prop("X");
  for (int i = 0; i < 300; ++i) deepList.raw({TagList});
  std::vector<Case> cases = {
      {"empty", Bytes(), "stream read error", ""},
      {"signature", Bytes().text("TPF1").obj("TA", "A").end().end(), "invalid stream format", ""},
      {"unknown tag", Bytes().sig().obj("TA", "A").prop("X").raw({19}), "invalid property value",
       "object A: TA\n  X = "},
      {"top bit on a number", Bytes().sig().obj("TA", "A").prop("X").raw({0x82, 1}), "invalid property value",
       "object A: TA\n  X = "},
      {"text longer than the data", Bytes().sig().obj("TA", "A").prop("X").raw({TagLongString}).u32(1000).text("ab"),
       "stream read error", "object A: TA\n  X = "},
      {"negative text length", Bytes().sig().obj("TA", "A").prop("X").raw({TagLongString}).u32(0x80000000),
       "invalid property value", "object A: TA\n  X = "},
      {"binary longer than the data", Bytes().sig().obj("TA", "A").prop("X").raw({TagBinary}).u32(0xFFFFFFFF),
       "stream read error", "object A: TA\n  X = "},
      {"item without its list tag", Bytes().sig().obj("TA", "A").prop("X").raw({TagCollection, TagString}),
       "invalid property value", "object A: TA\n  X = <\n    item\n"},
      {"lists too deep", deepList, "stream nested deeper than 256 levels", ""},
      {"cut after the properties", Bytes().sig().obj("TA", "A").prop("X").i8(1).end(), "stream read error",
       "object A: TA\n  X = 1\n"},
  };
  for (const auto& c : cases) {
    std::string error;
    std::string out = Dump(c.stream.v, &error);
    EXPECT_EQ(error, c.error) << c.what;
    EXPECT_EQ(out.substr(0, c.partial.size()), c.partial) << c.what;
  }
}

TEST(TextForm, DumpStopsAfterTheRootRecord) {
  Bytes b = Bytes::Root(Bytes().prop("X").i8(1));
  const auto size = static_cast<std::int64_t>(b.v.size());
  b.text(std::string(5000, 'T'));
  std::int64_t pos = 0;
  EXPECT_EQ(Dump(b.v, nullptr, &pos), "object TestForm: TTestForm\n  X = 1\nend\n");
  EXPECT_EQ(pos, size);
}

}  // namespace
}  // namespace qs::test
