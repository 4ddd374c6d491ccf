// The reader against hand-made streams: values by property kind, property paths, structure,
// names, owners and parents, references, collections, loaded notifications, failures and the
// stream position afterwards.
#include "stream/reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/text.h"
#include "stream/bytes.h"
#include "stream/test_classes.h"

namespace qs::test {
namespace {

// Reads bytes onto form; gives the failure's message ("" on success) and the final position.
std::string Read(const Bytes& b, TTestForm& form, std::int64_t* pos = nullptr, std::int64_t start = 0) {
  TMemoryStream s(b.v);
  s.SetPosition(start);
  std::string error;
  try {
    ReadComponentStream(s, form);
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (pos) *pos = s.Position();
  return error;
}

// A root record holding the given children (already complete records).
Bytes Form(const Bytes& props, const Bytes& children) {
  Bytes b;
  b.sig().obj("TTestForm", "TestForm");
  b.v.insert(b.v.end(), props.v.begin(), props.v.end());
  b.end();
  b.v.insert(b.v.end(), children.v.begin(), children.v.end());
  return b.end();
}
// A child record without children.
Bytes Child(std::string_view cls, std::string_view name, const Bytes& props = {}, const Bytes& children = {}) {
  Bytes b;
  b.obj(cls, name);
  b.v.insert(b.v.end(), props.v.begin(), props.v.end());
  b.end();
  b.v.insert(b.v.end(), children.v.begin(), children.v.end());
  return b.end();
}
Bytes operator+(Bytes a, const Bytes& b) {
  a.v.insert(a.v.end(), b.v.begin(), b.v.end());
  return a;
}
std::string Extended(double d) {
  std::uint8_t b[10];
  DoubleToExtended(d, b);
  return std::string(reinterpret_cast<char*>(b), 10);
}
TTestControl& At(TTestForm& f, std::string_view name) {
  auto* c = dynamic_cast<TTestControl*>(f.FindComponent(name));
  if (!c) throw std::runtime_error("no component " + std::string(name));
  return *c;
}

struct ValueCase {
  const char* what;
  Bytes props;
  std::function<bool(const TTestForm&)> check;  // on success
  std::string error;                            // or the failure expected
};

TEST(ReaderValues, EachKindAcceptsItsTagsAndRefusesOthers) {
  const std::string longText(285, 'x');
  const std::string invalid = "error reading TestForm.%s: invalid property value";
  auto err = [&](const char* prop) { return Format(invalid, prop); };
  std::vector<ValueCase> cases = {
      // integers: signed at every width
      {"int8 0xF5 is -11", Bytes().prop("Left").raw({TagInt8, 0xF5}), [](auto& f) { return f.left == -11; }, ""},
      {"int8 127", Bytes().prop("Left").i8(127), [](auto& f) { return f.left == 127; }, ""},
      {"int16 -300", Bytes().prop("Left").i16(-300), [](auto& f) { return f.left == -300; }, ""},
      {"int16 -32768", Bytes().prop("Left").i16(-32768), [](auto& f) { return f.left == -32768; }, ""},
      {"int32 -11", Bytes().prop("Left").i32(-11), [](auto& f) { return f.left == -11; }, ""},
      {"int32 min", Bytes().prop("Left").i32(INT32_MIN), [](auto& f) { return f.left == INT32_MIN; }, ""},
      {"integer from text", Bytes().prop("Left").str("5"), nullptr, err("Left")},
      {"integer from unknown tag 19", Bytes().prop("Left").raw({19}), nullptr, err("Left")},
      {"named constant", Bytes().prop("Color").ident("clBtnFace"), [](auto& f) { return f.color == 0x8000000Fu; }, ""},
      {"named constant any case", Bytes().prop("Color").ident("CLRED"), [](auto& f) { return f.color == 0xFFu; }, ""},
      {"unknown constant", Bytes().prop("Color").ident("clPurple"), nullptr, err("Color")},
      {"constant on a plain integer", Bytes().prop("Left").ident("clRed"), nullptr, err("Left")},
      // texts
      {"short text", Bytes().prop("Caption").str("Hi"), [](auto& f) { return f.caption == "Hi"; }, ""},
      {"long text tag 12", Bytes().prop("Caption").lstr(longText), [&](auto& f) { return f.caption == longText; }, ""},
      {"empty text", Bytes().prop("Caption").str(""), [](auto& f) { return f.caption.empty(); }, ""},
      {"text from ident", Bytes().prop("Caption").ident("Hi"), nullptr, err("Caption")},
      {"negative long text length", Bytes().prop("Caption").raw({TagLongString}).u32(0xFFFFFFFF), nullptr,
       err("Caption")},
      // characters
      {"char", Bytes().prop("Accel").str("x"), [](auto& f) { return f.accel == 'x'; }, ""},
      {"char of two bytes", Bytes().prop("Accel").str("xy"), nullptr, err("Accel")},
      {"char of none", Bytes().prop("Accel").str(""), nullptr, err("Accel")},
      // enumerations and Booleans
      {"enum", Bytes().prop("Align").ident("alClient"), [](auto& f) { return f.align == 3; }, ""},
      {"enum any case", Bytes().prop("Align").ident("ALTOP"), [](auto& f) { return f.align == 1; }, ""},
      {"enum first value", Bytes().prop("Align").ident("alNone"), [](auto& f) { return f.align == 0; }, ""},
      {"enum unknown", Bytes().prop("Align").ident("alLeft"), nullptr, err("Align")},
      {"enum from integer", Bytes().prop("Align").i8(1), nullptr, err("Align")},
      {"false tag", Bytes().prop("Enabled").raw({TagFalse}), [](auto& f) { return !f.enabled; }, ""},
      {"true ident", Bytes().prop("Enabled").ident("true"), [](auto& f) { return f.enabled; }, ""},
      {"ident tag with top bit", Bytes().prop("Enabled").raw({0x80 | TagIdent}).s("False"),
       [](auto& f) { return !f.enabled; }, ""},
      {"false tag with top bit", Bytes().prop("Enabled").raw({0x80 | TagFalse}), [](auto& f) { return !f.enabled; },
       ""},
      {"nil is not a Boolean", Bytes().prop("Enabled").raw({TagNil}), nullptr, err("Enabled")},
      // floats
      {"extended", Bytes().prop("Ratio").raw({TagExtended}).text(Extended(1.5)), [](auto& f) { return f.ratio == 1.5; },
       ""},
      {"extended negative tiny", Bytes().prop("Ratio").raw({TagExtended}).text(Extended(-3e-300)),
       [](auto& f) { return f.ratio == -3e-300; }, ""},
      {"float from int8", Bytes().prop("Ratio").raw({TagInt8, 0xF5}), [](auto& f) { return f.ratio == -11.0; }, ""},
      {"float from text", Bytes().prop("Ratio").str("1.5"), nullptr, err("Ratio")},
      // sets
      {"set", Bytes().prop("Options").raw({TagSet}).s("fsBold").s("FSUNDERLINE").s(""),
       [](auto& f) { return f.options == 5; }, ""},
      {"empty set", Bytes().prop("Options").raw({TagSet}).s(""), [](auto& f) { return f.options == 0; }, ""},
      {"set element unknown", Bytes().prop("Options").raw({TagSet}).s("fsBlink").s(""), nullptr, err("Options")},
      {"set from ident", Bytes().prop("Options").ident("fsBold"), nullptr, err("Options")},
      // events
      {"event", Bytes().prop("OnClick").ident("Button1Click"), [](auto& f) { return f.onClick.name == "Button1Click"; },
       ""},
      {"event any case", Bytes().prop("OnClick").ident("BUTTON1CLICK"),
       [](auto& f) { return f.onClick.name == "Button1Click"; }, ""},
      {"event nil", Bytes().prop("OnClick").ident("FormCreate").prop("OnClick").raw({TagNil}),
       [](auto& f) { return !f.onClick && f.onClick.name.empty(); }, ""},
      {"event unknown", Bytes().prop("OnClick").ident("Nowhere"), nullptr, err("OnClick")},
      {"event from text", Bytes().prop("OnClick").str("FormCreate"), nullptr, err("OnClick")},
      // variants
      {"variant null", Bytes().prop("Variant").raw({TagNull}), [](auto& f) { return f.variant.var == VarType::Null; },
       ""},
      {"variant unassigned", Bytes().prop("Variant").i8(1).prop("Variant").raw({TagNil}),
       [](auto& f) { return f.variant.var == VarType::Unassigned; }, ""},
      {"variant integer", Bytes().prop("Variant").i16(-2),
       [](auto& f) { return f.variant.var == VarType::Integer && f.variant.i == -2; }, ""},
      {"variant double", Bytes().prop("Variant").raw({TagExtended}).text(Extended(0.25)),
       [](auto& f) { return f.variant.var == VarType::Double && f.variant.f == 0.25; }, ""},
      {"variant text", Bytes().prop("Variant").lstr("abc"),
       [](auto& f) { return f.variant.var == VarType::String && f.variant.s == "abc"; }, ""},
      {"variant Boolean", Bytes().prop("Variant").raw({TagTrue}),
       [](auto& f) { return f.variant.var == VarType::Boolean && f.variant.i == 1; }, ""},
      {"variant single", Bytes().prop("Variant").raw({TagSingle, 0x00, 0x00, 0xC0, 0x3F}),
       [](auto& f) { return f.variant.var == VarType::Single && f.variant.f == 1.5; }, ""},
      {"variant currency", Bytes().prop("Variant").raw({TagCurrency, 0x40, 0xE2, 0x01, 0, 0, 0, 0, 0}),
       [](auto& f) { return f.variant.var == VarType::Currency && f.variant.i == 123456 && f.variant.f == 12.3456; },
       ""},
      {"variant date", Bytes().prop("Variant").raw({TagDate, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}),
       [](auto& f) { return f.variant.var == VarType::Date && f.variant.f == 1.5; }, ""},
      {"variant wide text", Bytes().prop("Variant").raw({TagWideString}).u32(3).raw({'a', 0, 0xAC, 0x20, 0x00, 0x4E}),
       [](auto& f) { return f.variant.var == VarType::String && f.variant.s == "a\x80?"; }, ""},
      {"variant ident", Bytes().prop("Variant").ident("x"), nullptr, err("Variant")},
      {"variant list", Bytes().prop("Variant").raw({TagList, 0}), nullptr, err("Variant")},
      // read-only: refused before its value is read
      {"read-only", Bytes().prop("ReadOnlyTag").i8(1), nullptr,
       "error reading TestForm.ReadOnlyTag: property is read-only"},
      // defined properties
      {"defined integer", Bytes().prop("TextHeight").i8(13), [](auto& f) { return f.textHeight == 13; }, ""},
      {"defined any case", Bytes().prop("textheight").i16(300), [](auto& f) { return f.textHeight == 300; }, ""},
      {"defined wrong tag", Bytes().prop("TextHeight").str("13"), nullptr, err("TextHeight")},
      {"unknown property", Bytes().prop("Nope").i8(1), nullptr, "error reading TestForm.Nope: property does not exist"},
  };
  for (const auto& c : cases) {
    TTestForm form;
    std::string error = Read(Bytes::Root(c.props), form);
    EXPECT_EQ(error, c.error) << c.what;
    if (c.check && error.empty()) {
      EXPECT_TRUE(c.check(form)) << c.what;
    }
  }
}

TEST(ReaderValues, EventsCallTheRootsHandlers) {
  TTestForm form;
  ASSERT_EQ(Read(Form({}, Child("TTestLabel", "Label1", Bytes().prop("OnClick").ident("button1click"))), form), "");
  auto& label = At(form, "Label1");
  label.onClick(&label);
  EXPECT_EQ(form.calls, std::vector<std::string>{"Button1Click"});
}

TEST(ReaderPaths, PropertyPathsWalkObjectProperties) {
  std::vector<ValueCase> cases = {
      {"sub-object", Bytes().prop("Font.Name").str("Times"), [](auto& f) { return f.font.name == "Times"; }, ""},
      {"any case", Bytes().prop("font.NAME").str("Arial"), [](auto& f) { return f.font.name == "Arial"; }, ""},
      {"set in sub-object", Bytes().prop("Font.Style").raw({TagSet}).s("fsItalic").s(""),
       [](auto& f) { return f.font.style == 2; }, ""},
      {"constant in sub-object", Bytes().prop("Font.Color").ident("clSilver"),
       [](auto& f) { return f.font.color == 0xC0C0C0u; }, ""},
      {"string list", Bytes().prop("Lines.Strings").raw({TagList}).str("a").lstr("b").raw({TagNull}),
       [](auto& f) {
         return f.lines.lines == std::vector<std::string>{"a", "b"};
       },
       ""},
      {"string list replaced whole",
       Bytes().prop("Lines.Strings").raw({TagList}).str("a").str("b").raw({0}).prop("Lines.Strings").raw({TagList, 0}),
       [](auto& f) { return f.lines.lines.empty(); }, ""},
      {"string list of integers", Bytes().prop("Lines.Strings").raw({TagList}).i8(1).raw({0}), nullptr,
       "error reading TestForm.Lines.Strings: invalid property value"},
      {"string list without its opening", Bytes().prop("Lines.Strings").str("a"), nullptr,
       "error reading TestForm.Lines.Strings: invalid property value"},
      {"known picture",
       Bytes().prop("Picture.Data").bin(std::string("\x0CTTestGraphic", 13) + "PIX").prop("Left").i8(4),
       [](auto& f) { return f.picture.graphic == "TTestGraphic" && f.picture.bytes.size() == 3 && f.left == 4; }, ""},
      {"unknown picture class: empty, reading goes on after the block",
       Bytes().prop("Picture.Data").bin(std::string("\x08TUnknown", 9) + "junk bytes").prop("Left").i8(4),
       [](auto& f) { return f.picture.graphic.empty() && f.left == 4; }, ""},
      {"binary property from text", Bytes().prop("Picture.Data").str("x"), nullptr,
       "error reading TestForm.Picture.Data: invalid property value"},
      {"unknown sub-property", Bytes().prop("Font.Nope").i8(1), nullptr,
       "error reading TestForm.Font.Nope: property does not exist"},
      {"unknown first segment", Bytes().prop("Nope.Name").i8(1), nullptr,
       "error reading TestForm.Nope.Name: property does not exist"},
      {"path through a text", Bytes().prop("Caption.Name").i8(1), nullptr,
       "error reading TestForm.Caption.Name: invalid property path"},
      {"path through an empty reference", Bytes().prop("Ref.Caption").i8(1), nullptr,
       "error reading TestForm.Ref.Caption: invalid property path"},
      {"empty last segment", Bytes().prop("Font.").i8(1), nullptr,
       "error reading TestForm.Font.: property does not exist"},
      {"empty middle segment", Bytes().prop("Font..Name").i8(1), nullptr,
       "error reading TestForm.Font..Name: property does not exist"},
      {"object property set to nil", Bytes().prop("Font").raw({TagNil}).prop("Font.Height").i8(9),
       [](auto& f) { return f.font.height == 9; }, ""},
      {"object property from an integer", Bytes().prop("Font").i8(1), nullptr,
       "error reading TestForm.Font: invalid property value"},
      {"collection value for a plain object", Bytes().prop("Font").raw({TagCollection, 0}), nullptr,
       "error reading TestForm.Font: invalid property value"},
  };
  for (const auto& c : cases) {
    TTestForm form;
    std::string error = Read(Bytes::Root(c.props), form);
    EXPECT_EQ(error, c.error) << c.what;
    if (c.check && error.empty()) {
      EXPECT_TRUE(c.check(form)) << c.what;
    }
  }
}

TEST(ReaderStructure, FailuresCarryTheirMessages) {
  struct Case {
    const char* what;
    Bytes stream;
    std::string error;
  };
  std::vector<Case> cases = {
      {"empty stream", Bytes(), "stream read error"},
      {"short signature", Bytes().text("TP"), "stream read error"},
      {"wrong signature", Bytes().text("TPF1").obj("TTestForm", "TestForm").end().end(), "invalid stream format"},
      {"signature only", Bytes().sig(), "stream read error"},
      {"no end of children", Bytes().sig().obj("TTestForm", "TestForm").end(), "stream read error"},
      {"unknown class", Form({}, Child("TNope", "X")), "class TNope not found"},
      {"name starting with a digit", Form({}, Child("TTestLabel", "1abc")), "'1abc' is not a valid component name"},
      {"name with a space", Form({}, Child("TTestLabel", "a b")), "'a b' is not a valid component name"},
      {"name with a non-ASCII letter", Form({}, Child("TTestLabel", "caf\xE9")),
       "'caf\xE9' is not a valid component name"},
      {"name with a dot", Form({}, Child("TTestLabel", "a.b")), "'a.b' is not a valid component name"},
      {"duplicate name", Form({}, Child("TTestLabel", "Label1") + Child("TTestPanel", "Label1")),
       "a component named Label1 already exists"},
      {"duplicate name in another case", Form({}, Child("TTestLabel", "Label1") + Child("TTestLabel", "LABEL1")),
       "a component named LABEL1 already exists"},
      {"existing component missing", Form({}, Bytes().raw({0xF1}) + Child("TTestLabel", "Ghost")),
       "ancestor for 'Ghost' not found"},
      {"existing component of unknown class", Form({}, Bytes().raw({0xF1}) + Child("TNope", "Ghost")),
       "class TNope not found"},
      {"child position not an integer", Form({}, Bytes().raw({0xF2}).str("1") + Child("TTestLabel", "L")),
       "invalid property value"},
      {"long text longer than the data",
       Bytes().sig().obj("TTestForm", "TestForm").prop("Caption").raw({TagLongString}).u32(0x7FFFFFF0),
       "error reading TestForm.Caption: stream read error"},
      {"binary longer than the data",
       Bytes().sig().obj("TTestForm", "TestForm").prop("Picture.Data").raw({TagBinary}).u32(0xFFFFFFFF).text("ab"),
       "error reading TestForm.Picture.Data: stream read error"},
      {"wide text longer than the data",
       Bytes().sig().obj("TTestForm", "TestForm").prop("Variant").raw({TagWideString}).u32(0x7FFFFFFF),
       "error reading TestForm.Variant: stream read error"},
      {"cut inside a value", Bytes().sig().obj("TTestForm", "TestForm").prop("Left").raw({TagInt32, 1, 2}),
       "error reading TestForm.Left: stream read error"},
      {"cut inside a property name", Bytes().sig().obj("TTestForm", "TestForm").raw({5, 'L', 'e'}),
       "stream read error"},
      {"property name without a value", Bytes().sig().obj("TTestForm", "TestForm").prop("Left"),
       "error reading TestForm.Left: stream read error"},
      {"child property names the child", Form({}, Child("TTestLabel", "Label1", Bytes().prop("Nope").i8(1))),
       "error reading Label1.Nope: property does not exist"},
      {"child without a name is named by its class", Form({}, Child("TTestLabel", "", Bytes().prop("Nope").i8(1))),
       "error reading TTestLabel.Nope: property does not exist"},
  };
  for (const auto& c : cases) {
    TTestForm form;
    EXPECT_EQ(Read(c.stream, form), c.error) << c.what;
  }
}

TEST(ReaderStructure, NestingIsBoundedWithAClearError) {
  auto nested = [](int depth) {
    Bytes b;
    b.sig().obj("TTestForm", "TestForm").end();
    for (int i = 0; i < depth; ++i) b.obj("TTestPanel", "").end();
    for (int i = 0; i < depth; ++i) b.end();
    return b.end();
  };
  {
    TTestForm form;
    EXPECT_EQ(Read(nested(kMaxStreamNesting), form), "");
    EXPECT_EQ(form.ComponentCount(), kMaxStreamNesting);
  }
  {
    TTestForm form;
    EXPECT_EQ(Read(nested(100000), form), "stream nested deeper than 256 levels");
    EXPECT_EQ(form.ComponentCount(), 0);  // the failing tree is destroyed from its top
  }
  // Collections inside collection items.
  Bytes deep;
  deep.sig().obj("TTestForm", "TestForm").prop("Items");
  for (int i = 0; i < 1000; ++i) deep.raw({TagCollection, TagList}).prop("Sub");
  TTestForm form;
  std::string error = Read(deep, form);
  EXPECT_NE(error.find("stream nested deeper than 256 levels"), std::string::npos) << error.substr(0, 200);
  EXPECT_EQ(form.items.begins, form.items.ends);
}

TEST(ReaderStructure, RootClassIsNotComparedAndAValidRootNameIsTaken) {
  struct Case {
    std::string name;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{{"OtherName", "OtherName"}, {"", "TestForm"}, {"1bad", "TestForm"}}) {
    TTestForm form;
    Bytes b;
    b.sig().obj("TSomethingElse", c.name).prop("Caption").str("Applied").end().end();
    ASSERT_EQ(Read(b, form), "") << c.name;
    EXPECT_EQ(form.caption, "Applied");
    EXPECT_EQ(form.Name(), c.expected);
  }
}

TEST(ReaderStructure, ComponentsGetOwnersParentsAndFields) {
  // Form: Panel1 holding Label1; Notebook1 with two unnamed pages, the second holding Label2;
  // NonVisual1 with its design position; Extra has no field.
  Bytes children =
      Child("TTestPanel", "Panel1", {}, Child("TTestLabel", "Label1")) +
      Child("TTestNotebook", "Notebook1", {},
            Child("TTestPage", "", Bytes().prop("Caption").str("One")) +
                Child("TTestPage", "", Bytes().prop("Caption").str("Two"), Child("TTestLabel", "Label2"))) +
      Child("TTestNonVisual", "NonVisual1",
            Bytes().prop("Version").str("1.3").prop("Left").i16(300).prop("Top").i8(-4)) +
      Child("TTestLabel", "Extra");
  TTestForm form;
  ASSERT_EQ(Read(Form({}, children), form), "");

  auto& panel = At(form, "Panel1");
  auto& label1 = At(form, "Label1");
  auto& notebook = At(form, "Notebook1");
  EXPECT_EQ(form.Panel1, &panel);
  EXPECT_EQ(form.Label1, &label1);
  EXPECT_EQ(form.Notebook1, &notebook);
  EXPECT_EQ(label1.parent, &panel);
  EXPECT_EQ(panel.parent, &form);

  // Pages belong to the notebook; what stands on a page belongs to the form again.
  ASSERT_EQ(notebook.ComponentCount(), 2);
  auto& page2 = dynamic_cast<TTestControl&>(*notebook.Component(1));
  EXPECT_EQ(page2.caption, "Two");
  EXPECT_EQ(page2.Owner(), &notebook);
  auto& label2 = At(form, "Label2");
  EXPECT_EQ(label2.Owner(), &form);
  EXPECT_EQ(label2.parent, &page2);
  EXPECT_EQ(form.Label2, &label2);

  auto* nv = dynamic_cast<TTestNonVisual*>(form.FindComponent("NonVisual1"));
  ASSERT_NE(nv, nullptr);
  EXPECT_EQ(form.NonVisual1, nv);
  EXPECT_EQ(nv->version, "1.3");
  EXPECT_EQ(nv->designLeft, 300);
  EXPECT_EQ(nv->designTop, -4);
  EXPECT_NE(form.FindComponent("extra"), nullptr);
  EXPECT_EQ(form.ComponentCount(), 6);  // Panel1, Label1, Notebook1, Label2, NonVisual1, Extra
}

TEST(ReaderStructure, EmptyNamesRepeatAndFieldsOfAnotherClassStayEmpty) {
  TTestForm form;
  ASSERT_EQ(Read(Form({}, Child("TTestLabel", "") + Child("TTestLabel", "") + Child("TTestLabel", "") +
                              Child("TTestPanel", "Label1")),
                 form),
            "");
  EXPECT_EQ(form.ComponentCount(), 4);
  // A panel named after a label field is created and shown, but the field stays empty.
  EXPECT_NE(form.FindComponent("Label1"), nullptr);
  EXPECT_EQ(form.Label1, nullptr);
}

TEST(ReaderStructure, PrefixesPositionAndReadExistingComponents) {
  TTestForm form;
  // C is moved to position 0 among the form's children; prefix bits 4 and 8 are ignored; the root
  // may carry a prefix whose position is consumed.
  Bytes b;
  b.sig().raw({0xF2}).i8(3).obj("TTestForm", "TestForm").end();
  b = b + Child("TTestLabel", "A") + Child("TTestLabel", "B") + Bytes().raw({0xFE}).i8(0) +
      Child("TTestLabel", "C", Bytes().prop("Caption").str("c"));
  b.end();
  ASSERT_EQ(Read(b, form), "");
  ASSERT_EQ(form.children.size(), 3u);
  EXPECT_EQ(form.children[0]->Name(), "C");
  EXPECT_EQ(form.children[1]->Name(), "A");

  // A second stream reads onto the existing B by name, moving it first, and adds D inside it.
  Bytes again = Form({}, Bytes().raw({0xF3}).i16(0) +
                             Child("TTestNone", "b", Bytes().prop("Caption").str("again"), Child("TTestLabel", "D")));
  EXPECT_EQ(Read(again, form), "class TTestNone not found");
  LoadedLog().clear();
  again = Form({}, Bytes().raw({0xF3}).i16(0) +
                       Child("TTestLabel", "b", Bytes().prop("Caption").str("again"), Child("TTestLabel", "D")));
  ASSERT_EQ(Read(again, form), "");
  auto& bLabel = At(form, "B");
  EXPECT_EQ(bLabel.caption, "again");
  EXPECT_EQ(form.children.front(), &bLabel);
  EXPECT_EQ(At(form, "D").parent, &bLabel);
  EXPECT_EQ(form.ComponentCount(), 4);
  EXPECT_EQ((std::vector<std::string>{"TestForm", "D", "B"}), LoadedLog());

  // An existing record takes its own parent for itself only: a later sibling still goes to the form.
  TTestForm other;
  ASSERT_EQ(Read(Form({}, Child("TTestPanel", "P", {}, Child("TTestLabel", "LA")) + Bytes().raw({0xF1}) +
                              Child("TTestLabel", "LA") + Child("TTestLabel", "LB")),
                 other),
            "");
  EXPECT_EQ(At(other, "LA").parent, &At(other, "P"));
  EXPECT_EQ(At(other, "LB").parent, &other);
}

TEST(ReaderReferences, ResolvedAtTheEndByNameOrOwner) {
  struct Case {
    const char* what;
    std::string name;
    const char* target;  // component name, "<root>" or nullptr
  };
  std::vector<Case> cases = {
      {"later component", "Zed", "Zed"},
      {"any case", "zED", "Zed"},
      {"Owner", "Owner", "<root>"},
      {"Owner any case", "oWnEr", "<root>"},
      {"other form", "Form2.Zed", nullptr},
      {"unknown", "Nobody", nullptr},
      {"component on a page is not the root's", "PageItem", nullptr},
  };
  for (const auto& c : cases) {
    TTestForm form;
    Bytes children = Child("TTestLabel", "Label1", Bytes().prop("Ref").ident(c.name)) + Child("TTestLabel", "Zed") +
                     Child("TTestNotebook", "Notebook1", {}, Child("TTestPage", "PageItem"));
    ASSERT_EQ(Read(Form({}, children), form), "") << c.what;
    TComponent* expected = c.target == nullptr                 ? nullptr
                           : std::string(c.target) == "<root>" ? &form
                                                               : form.FindComponent(c.target);
    EXPECT_EQ(At(form, "Label1").ref, expected) << c.what;
  }
  // A component named Owner is found before the root; nil and identifiers read as names.
  TTestForm form;
  Bytes children = Child("TTestLabel", "Label1", Bytes().prop("Ref").ident("Owner")) + Child("TTestLabel", "Owner") +
                   Child("TTestLabel", "Label2", Bytes().prop("Ref").ident("Label1").prop("Ref").raw({TagNil})) +
                   Child("TTestLabel", "True", Bytes().prop("Ref").raw({TagTrue}));
  ASSERT_EQ(Read(Form({}, children), form), "");
  EXPECT_EQ(At(form, "Label1").ref, form.FindComponent("Owner"));
  EXPECT_EQ(At(form, "True").ref, form.FindComponent("True"));
  // A nil after a reference wins, as any later value does.
  EXPECT_EQ(At(form, "Label2").ref, nullptr);
}

TEST(ReaderReferences, DroppedOnFailure) {
  TTestForm form;
  Bytes children = Child("TTestLabel", "Label1", Bytes().prop("Ref").ident("Label2")) + Child("TTestLabel", "Label2") +
                   Child("TTestLabel", "Bad", Bytes().prop("Nope").i8(0));
  EXPECT_EQ(Read(Form({}, children), form), "error reading Bad.Nope: property does not exist");
  EXPECT_EQ(At(form, "Label1").ref, nullptr);
}

TEST(ReaderCollections, ItemsReplaceOnlyWhenTheValueHasSome) {
  auto items = [](const Bytes& body) { return Bytes::Root(Bytes().prop("Items").raw({TagCollection}) + body); };
  struct Case {
    const char* what;
    Bytes stream;
    std::vector<std::string> names;  // after reading onto a collection holding "old1", "old2"
    std::string error;
  };
  std::vector<Case> cases = {
      {"empty value keeps the items", items(Bytes().end()), {"old1", "old2"}, ""},
      {"items replace all", items(Bytes().raw({TagList}).prop("Name").str("new").end().end()), {"new"}, ""},
      {"order values are skipped",
       items(Bytes()
                 .i8(5)
                 .raw({TagList})
                 .prop("Name")
                 .str("a")
                 .end()
                 .i16(-2)
                 .raw({TagList})
                 .end()
                 .i32(70000)
                 .raw({TagList})
                 .prop("name")
                 .str("c")
                 .end()
                 .end()),
       {"a", "", "c"},
       ""},
      {"item without its list tag",
       items(Bytes().raw({TagList}).prop("Name").str("a").end().str("x")),
       {"a", ""},
       "error reading TestForm.Items: invalid property value"},
      {"failure inside an item names the item's class",
       items(Bytes().raw({TagList}).prop("Name").i8(1).end().end()),
       {""},
       "error reading TestForm.Items: error reading TTestItem.Name: invalid property value"},
      {"cut inside an item",
       Bytes().sig().obj("TTestForm", "TestForm").prop("Items").raw({TagCollection, TagList}).prop("Name").str("a"),
       {"a"},
       "error reading TestForm.Items: stream read error"},
  };
  for (const auto& c : cases) {
    TTestForm form;
    static_cast<TTestItem*>(form.items.Add())->name = "old1";
    static_cast<TTestItem*>(form.items.Add())->name = "old2";
    EXPECT_EQ(Read(c.stream, form), c.error) << c.what;
    std::vector<std::string> names;
    for (int i = 0; i < form.items.Count(); ++i) names.push_back(form.items.At(i).name);
    EXPECT_EQ(names, c.names) << c.what;
    EXPECT_EQ(form.items.begins, 1) << c.what;
    EXPECT_EQ(form.items.ends, 1) << c.what;  // also when the read failed inside
  }
}

TEST(ReaderCollections, ValuesApplyInStreamOrderInsideItems) {
  TTestForm form;
  Bytes items = Bytes().prop("Items").raw({TagCollection, TagList}).prop("Compress").raw({TagTrue});
  items = items.prop("Payload").bin("DATA").prop("Name").str("f").end();
  items = items.raw({TagList}).prop("Payload").bin("").prop("Compress").raw({TagTrue}).end().end();
  ASSERT_EQ(Read(Bytes::Root(items), form), "");
  ASSERT_EQ(form.items.Count(), 2);
  EXPECT_EQ(form.items.At(0).compressWhenPayload, "True");
  EXPECT_EQ(std::string(form.items.At(0).payload.begin(), form.items.At(0).payload.end()), "DATA");
  EXPECT_EQ(form.items.At(1).compressWhenPayload, "False");
  EXPECT_TRUE(form.items.At(1).compress);
}

TEST(ReaderCollections, ReferencesInsideReplacedItemsAreDropped) {
  // The first value's item refers to Label1; a second value frees that item before the
  // reference would be resolved. The surviving item's reference still resolves.
  TTestForm form;
  Bytes props = Bytes().prop("Items").raw({TagCollection, TagList}).prop("Ref").ident("Label1").end().end();
  props = props.prop("Items").raw({TagCollection, TagList}).prop("Sub").raw({TagCollection, TagList});
  props = props.prop("Ref").ident("Owner").end().end().end().end();
  ASSERT_EQ(Read(Form(props, Child("TTestLabel", "Label1")), form), "");
  ASSERT_EQ(form.items.Count(), 1);
  EXPECT_EQ(form.items.At(0).ref, nullptr);
  ASSERT_EQ(form.items.At(0).sub->Count(), 1);
  EXPECT_EQ(form.items.At(0).sub->At(0).ref, &form);
}

TEST(ReaderLoading, LoadedGoesToTheRootFirstThenInReadOrder) {
  LoadedLog().clear();
  TTestForm form;
  Bytes children = Child("TTestPanel", "Panel1", {}, Child("TTestLabel", "Label1") + Child("TTestLabel", "Label2")) +
                   Child("TTestNonVisual", "NonVisual1");
  ASSERT_EQ(Read(Form({}, children), form), "");
  EXPECT_EQ((std::vector<std::string>{"TestForm", "Label1", "Label2", "Panel1", "NonVisual1"}), LoadedLog());
  for (TTestControl* c : {static_cast<TTestControl*>(&form), &At(form, "Panel1"), &At(form, "Label1")}) {
    EXPECT_EQ(c->loadedCalls, 1) << c->Name();
    EXPECT_EQ(c->stateAtLoaded & csReading, 0u) << c->Name();
    EXPECT_EQ(c->State() & (csLoading | csReading), 0u) << c->Name();
  }
}

TEST(ReaderFailure, WhatWasReadStaysAndTheFailingTreeGoes) {
  LoadedLog().clear();
  TTestForm form;
  // Label1 is complete; Panel1 fails in its grandchild's value: Panel1 goes with all it holds.
  Bytes children =
      Child("TTestLabel", "Label1", Bytes().prop("Caption").str("kept")) +
      Child("TTestPanel", "Panel1", Bytes().prop("Caption").str("gone"),
            Child("TTestLabel", "Label2") +
                Child("TTestPanel", "Inner", {}, Child("TTestLabel", "Deep", Bytes().prop("Left").raw({TagInt32, 1}))));
  Bytes b;
  b.sig().obj("TTestForm", "TestForm").prop("Caption").str("root").end();
  b = b + children;
  b.v.resize(b.v.size() - 4);  // the stream ends inside Deep's Left value
  EXPECT_EQ(Read(b, form), "error reading Deep.Left: stream read error");
  EXPECT_EQ(form.caption, "root");
  EXPECT_EQ(At(form, "Label1").caption, "kept");
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Panel1, nullptr);
  EXPECT_EQ(form.Label2, nullptr);
  EXPECT_EQ(form.children.size(), 1u);
  // What was read is still finished: nothing stays marked as loading.
  EXPECT_EQ((std::vector<std::string>{"TestForm", "Label1"}), LoadedLog());
  EXPECT_EQ(form.State() & (csLoading | csReading), 0u);
}

TEST(ReaderFailure, ANamingFailureDestroysTheNewComponent) {
  TTestForm form;
  EXPECT_EQ(
      Read(Form({}, Child("TTestLabel", "Label1") + Child("TTestLabel", "label1", {}, Child("TTestLabel", "X"))), form),
      "a component named label1 already exists");
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.children.size(), 1u);
}

TEST(ReaderPosition, LeftJustPastTheLastByteConsumed) {
  struct Case {
    const char* what;
    Bytes stream;
    std::int64_t prefix;    // bytes before the stream
    std::int64_t expected;  // position afterwards, from the stream's start
    std::string error;
  };
  const std::string big(5000, 'b');
  Bytes small = Bytes::Root(Bytes().prop("Left").i8(1));
  Bytes large = Bytes::Root(Bytes().prop("Caption").lstr(big));
  Bytes largeFailing;
  largeFailing.sig().obj("TTestForm", "TestForm").prop("Caption").lstr(big).prop("Left").raw({TagString});
  std::vector<Case> cases = {
      {"exact", small, 0, static_cast<std::int64_t>(small.v.size()), ""},
      {"trailing bytes ignored", small + Bytes().text("TRAILING"), 0, static_cast<std::int64_t>(small.v.size()), ""},
      {"over a block, trailing bytes", large + Bytes().text(std::string(9000, 't')), 0,
       static_cast<std::int64_t>(large.v.size()), ""},
      {"after a prefix", small + Bytes().text("XY"), 629, static_cast<std::int64_t>(small.v.size()), ""},
      {"failure past a block", largeFailing + Bytes().text(std::string(100, 'z')), 0,
       static_cast<std::int64_t>(largeFailing.v.size()), "error reading TestForm.Left: invalid property value"},
      {"bad signature", Bytes().text("XXXX").text(std::string(5000, 'z')), 0, 4, "invalid stream format"},
  };
  for (const auto& c : cases) {
    Bytes b;
    b.text(std::string(static_cast<std::size_t>(c.prefix), 'p'));
    b = b + c.stream;
    TTestForm form;
    std::int64_t pos = -1;
    EXPECT_EQ(Read(b, form, &pos, c.prefix), c.error) << c.what;
    EXPECT_EQ(pos - c.prefix, c.expected) << c.what;
  }
}

}  // namespace
}  // namespace qs::test
