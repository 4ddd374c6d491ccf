// The writer: value encodings, what it writes of a property and what it leaves out, and round
// trips through the reader that come back byte for byte.
#include "stream/writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "stream/bytes.h"
#include "stream/reader.h"
#include "stream/test_classes.h"
#include "stream/textform.h"

namespace qs::test {
namespace {

std::vector<std::uint8_t> Write(TComponent& root) {
  TMemoryStream s;
  WriteComponentStream(s, root);
  return s.Bytes();
}

template <class F>
std::vector<std::uint8_t> WriteValues(F f) {
  TMemoryStream s;
  TWriter w(s);
  f(w);
  w.FlushBuffer();
  return s.Bytes();
}

std::string Dump(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream s(bytes);
  return ComponentStreamToText(s);
}

TEST(WriterValues, IntegersTakeTheSmallestTag) {
  struct Case {
    std::int64_t value;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {0, {2, 0}},
      {-11, {2, 0xF5}},
      {127, {2, 0x7F}},
      {-128, {2, 0x80}},
      {128, {3, 0x80, 0}},
      {-129, {3, 0x7F, 0xFF}},
      {32767, {3, 0xFF, 0x7F}},
      {-32768, {3, 0, 0x80}},
      {32768, {4, 0, 0x80, 0, 0}},
      {INT32_MIN, {4, 0, 0, 0, 0x80}},
      {INT32_MAX, {4, 0xFF, 0xFF, 0xFF, 0x7F}},
      {0x8000000F, {4, 0x0F, 0, 0, 0x80}},  // unsigned 32-bit values keep their bits
      {0xFFFFFFFF, {2, 0xFF}},
  };
  for (const auto& c : cases) EXPECT_EQ(WriteValues([&](TWriter& w) { w.WriteInteger(c.value); }), c.bytes) << c.value;
  for (std::int64_t beyond : {std::int64_t{INT32_MIN} - 1, std::int64_t{0x100000000}})
    EXPECT_THROW(WriteValues([&](TWriter& w) { w.WriteInteger(beyond); }), Exception) << beyond;
}

TEST(WriterValues, TextsIdentsAndFloats) {
  struct Case {
    const char* what;
    std::function<void(TWriter&)> write;
    Bytes expected;
  };
  const std::string t255(255, 'a'), t256(256, 'a');
  std::vector<Case> cases = {
      {"255 bytes: tag 6", [&](TWriter& w) { w.WriteString(t255); }, Bytes().str(t255)},
      {"256 bytes: tag 12", [&](TWriter& w) { w.WriteString(t256); }, Bytes().lstr(t256)},
      {"empty text", [](TWriter& w) { w.WriteString(""); }, Bytes().raw({TagString, 0})},
      {"ident", [](TWriter& w) { w.WriteIdent("alTop"); }, Bytes().ident("alTop")},
      {"False", [](TWriter& w) { w.WriteIdent("False"); }, Bytes().raw({TagFalse})},
      {"True", [](TWriter& w) { w.WriteBoolean(true); }, Bytes().raw({TagTrue})},
      {"nil", [](TWriter& w) { w.WriteIdent("nil"); }, Bytes().raw({TagNil})},
      {"Null", [](TWriter& w) { w.WriteIdent("Null"); }, Bytes().raw({TagNull})},
      {"other case stays an ident", [](TWriter& w) { w.WriteIdent("true"); }, Bytes().ident("true")},
      {"char", [](TWriter& w) { w.WriteChar('\xE9'); }, Bytes().raw({TagString, 1, 0xE9})},
      {"1.0 as extended", [](TWriter& w) { w.WriteFloat(1.0); },
       Bytes().raw({TagExtended, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})},
      {"-2.5 as extended", [](TWriter& w) { w.WriteFloat(-2.5); },
       Bytes().raw({TagExtended, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0})},
      {"0 as extended", [](TWriter& w) { w.WriteFloat(0.0); },
       Bytes().raw({TagExtended, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
      {"binary", [](TWriter& w) { w.WriteBinary("xyz", 3); }, Bytes().bin("xyz")},
  };
  for (const auto& c : cases) EXPECT_EQ(WriteValues(c.write), c.expected.v) << c.what;
  EXPECT_THROW(WriteValues([](TWriter& w) { w.WriteStr(std::string(256, 'n')); }), Exception);
}

TEST(WriterValues, ExtendedConversionsAreExactBothWays) {
  for (double d : {1.0, -2.5, 0.1, 1e300, -1e-300, 4.9e-324, 1.7976931348623157e308, 123456789.125}) {
    std::uint8_t b[10];
    DoubleToExtended(d, b);
    EXPECT_EQ(ExtendedToDouble(b), d) << d;
  }
  // Out of the double's range: infinity; below it: zero; the sign stays.
  const std::uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
  const std::uint8_t tinyNeg[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x80};
  const std::uint8_t nan[10] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F};
  EXPECT_EQ(ExtendedToDouble(huge), HUGE_VAL);
  EXPECT_EQ(ExtendedToDouble(tinyNeg), 0.0);
  EXPECT_TRUE(std::signbit(ExtendedToDouble(tinyNeg)));
  EXPECT_TRUE(std::isnan(ExtendedToDouble(nan)));
}

// A form with one of each thing the writer handles.
struct SampleForm {
  TTestForm form;
  SampleForm() {
    form.caption = "Installation";
    form.left = -11;
    form.color = 0x8000000F;
    form.font.name = "MS Sans Serif";
    form.font.style = 3;
    form.textHeight = 13;
    form.onClick = {"FormCreate", [](TPersistent*) {}};
    auto* nv = new TTestNonVisual(&form);
    nv->SetName("NonVisual1");
    nv->version = "1.3";
    nv->designLeft = 300;
    nv->designTop = 4;
    auto* panel = new TTestPanel(&form);
    panel->SetName("Panel1");
    panel->SetParentComponent(&form);
    auto* label = new TTestLabel(&form);
    label->SetName("Label1");
    label->SetParentComponent(panel);
    label->caption = std::string(285, 'c');
    label->align = 3;
    label->enabled = false;
    label->accel = '&';
    label->ratio = 0.1;
    label->options = 9;
    label->ref = &form;
    label->variant.var = VarType::Currency;
    label->variant.i = -123456;
    label->lines.lines = {"one", "", std::string(300, 'l')};
    label->picture.graphic = "TTestGraphic";
    label->picture.bytes = {1, 2, 3};
    auto* notebook = new TTestNotebook(&form);
    notebook->SetName("Notebook1");
    notebook->SetParentComponent(&form);
    for (const char* caption : {"Welcome", "Licence"}) {
      auto* page = new TTestPage(notebook);
      page->SetParentComponent(notebook);
      page->caption = caption;
    }
    auto* label2 = new TTestLabel(&form);
    label2->SetName("Label2");
    label2->SetParentComponent(notebook->children[1]);
    label2->ref = label;
    label2->onClick = {"Button1Click", [](TPersistent*) {}};
    auto& a = static_cast<TTestItem&>(*form.items.Add());
    a.name = "ILIST.QSP";
    a.compress = true;
    a.payload = {'d', 'a', 't', 'a'};
    a.ref = label2;
    auto& sub = static_cast<TTestItem&>(*a.sub->Add());
    sub.name = "inner";
    static_cast<TTestItem&>(*form.items.Add()).name = "second";
  }
};

TEST(WriterRoundTrip, ReadingBackGivesTheSameObjectsAndTheSameBytes) {
  SampleForm sample;
  const auto bytes = Write(sample.form);

  TTestForm copy;
  TMemoryStream in(bytes);
  ReadComponentStream(in, copy);
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(Write(copy), bytes);

  EXPECT_EQ(copy.caption, "Installation");
  EXPECT_EQ(copy.color, 0x8000000Fu);
  EXPECT_EQ(copy.textHeight, 13);
  EXPECT_EQ(copy.onClick.name, "FormCreate");
  auto* label = dynamic_cast<TTestLabel*>(copy.Label1);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->caption, std::string(285, 'c'));
  EXPECT_EQ(label->ref, &copy);
  EXPECT_EQ(label->ratio, 0.1);
  EXPECT_EQ(label->variant.var, VarType::Currency);
  EXPECT_EQ(label->variant.i, -123456);
  EXPECT_EQ(label->lines.lines, (std::vector<std::string>{"one", "", std::string(300, 'l')}));
  EXPECT_EQ(label->picture.bytes, (std::vector<std::uint8_t>{1, 2, 3}));
  auto* label2 = dynamic_cast<TTestLabel*>(copy.Label2);
  ASSERT_NE(label2, nullptr);
  EXPECT_EQ(label2->ref, label);
  EXPECT_EQ(dynamic_cast<TTestControl*>(label2->parent)->caption, "Licence");
  EXPECT_EQ(label2->parent->Owner(), copy.Notebook1);
  ASSERT_EQ(copy.items.Count(), 2);
  EXPECT_EQ(copy.items.At(0).ref, label2);
  EXPECT_EQ(copy.items.At(0).compressWhenPayload, "True");
  EXPECT_EQ(copy.items.At(0).sub->At(0).name, "inner");
  auto* nv = dynamic_cast<TTestNonVisual*>(copy.NonVisual1);
  ASSERT_NE(nv, nullptr);
  EXPECT_EQ(nv->designLeft, 300);
}

TEST(WriterOutput, PropertiesInDeclaredOrderWithTheirTags) {
  TTestForm form;
  form.caption = "Hi";
  form.font.style = 1;
  form.color = 0xFF;
  auto* nv = new TTestNonVisual(&form);
  nv->SetName("NonVisual1");
  nv->designTop = 7;  // Left stays 0 and is not written
  const std::string expected =
      "object TestForm: TTestForm\n"
      "  Left = 0\n"
      "  Top = 0\n"
      "  Width = 0\n"
      "  Align = alNone\n"
      "  Enabled = True\n"
      "  Caption = 'Hi'\n"
      "  Accel = 'a'\n"
      "  Ratio = 0.0\n"
      "  Options = []\n"
      "  Color = clRed\n"
      "  Font.Name = 'Sans'\n"
      "  Font.Height = -11\n"
      "  Font.Color = 0\n"
      "  Font.Style = [fsBold]\n"
      "  Items = <>\n"
      "  object NonVisual1: TTestNonVisual\n"
      "    Version = ''\n"
      "    Top = 7\n"
      "  end\n"
      "end\n";
  // Not written: the read-only tag, the empty reference, the unassigned variant, the unbound
  // event, the empty string list and picture, the zero TextHeight.
  EXPECT_EQ(Dump(Write(form)), expected);
}

TEST(WriterOutput, RefusesWhatCannotBeReadBack) {
  TTestForm form;
  form.align = 9;  // no name for it
  EXPECT_THROW(Write(form), Exception);
  TTestForm deep;
  TComponent* parent = &deep;
  for (int i = 0; i < kMaxStreamNesting + 1; ++i) {
    auto* p = new TTestPanel(&deep);
    p->SetParentComponent(parent);
    parent = p;
  }
  EXPECT_THROW(Write(deep), Exception);
}

}  // namespace
}  // namespace qs::test
