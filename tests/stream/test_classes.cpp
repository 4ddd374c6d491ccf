#include "stream/test_classes.h"

#include <algorithm>

#include "core/streams.h"
#include "stream/reader.h"
#include "stream/writer.h"

namespace qs::test {

const TypeInfo kAlignType{"TAlign", {"alNone", "alTop", "alBottom", "alClient"}, {}};
const TypeInfo kColorType{
    "TColor", {}, {{"clBtnFace", static_cast<std::int32_t>(0x8000000Fu)}, {"clRed", 0xFF}, {"clSilver", 0xC0C0C0}}};
const TypeInfo kFontStyleType{"TFontStyles", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, {}};

std::vector<std::string>& LoadedLog() {
  static std::vector<std::string> log;
  return log;
}

namespace {
template <class T, class Sub>
PropInfo SubObject(std::string_view name, Sub T::*field, bool withSetter) {
  PropInfo p{name,
             PropKind::Object,
             nullptr,
             {},
             [field](TPersistent& o) {
               PropValue v;
               v.obj = &(static_cast<T&>(o).*field);
               return v;
             },
             {}};
  if (withSetter) p.set = [](TPersistent&, const PropValue&) {};  // the object stays; values go into it
  return p;
}

template <class T>
PropInfo Reference(std::string_view name, TComponent* T::*field) {
  return {name,
          PropKind::Object,
          nullptr,
          [field](TPersistent& o, const PropValue& v) { static_cast<T&>(o).*field = dynamic_cast<TComponent*>(v.obj); },
          [field](TPersistent& o) {
            PropValue v;
            v.obj = static_cast<T&>(o).*field;
            return v;
          },
          {}};
}

std::string LogName(const TComponent& c) { return c.Name().empty() ? std::string(c.ClassName()) : c.Name(); }
}  // namespace

// ---- sub-objects

const ClassInfo& TTestFont::StaticInfo() {
  static const ClassInfo info{"TTestFont",
                              nullptr,
                              {StrProp("Name", &TTestFont::name), IntProp("Height", &TTestFont::height),
                               IntProp("Color", &TTestFont::color, &kColorType),
                               IntProp("Style", &TTestFont::style, &kFontStyleType, PropKind::Set)},
                              {},
                              {},
                              {}};
  return info;
}

const ClassInfo& TTestStrings::StaticInfo() {
  static const ClassInfo info{"TTestStrings", nullptr, {}, {}, {}, {}};
  return info;
}

void TTestStrings::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Strings",
      [this](TReader& r) {
        r.ReadListBegin();
        lines.clear();
        while (!r.EndOfList()) lines.push_back(r.ReadString());
        r.ReadListEnd();
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (const auto& s : lines) w.WriteString(s);
        w.WriteListEnd();
      },
      !lines.empty());
}

const ClassInfo& TTestPicture::StaticInfo() {
  static const ClassInfo info{"TTestPicture", nullptr, {}, {}, {}, {}};
  return info;
}

void TTestPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data",
      [this](TStream& s) {
        std::uint8_t n = s.ReadU8();
        std::string cls(n, '\0');
        s.ReadBuffer(cls.data(), n);
        graphic.clear();
        bytes.clear();
        if (cls != "TTestGraphic") return;  // unknown graphic: empty, the rest is left unread
        graphic = cls;
        bytes.resize(static_cast<std::size_t>(s.Size() - s.Position()));
        s.ReadBuffer(bytes.data(), bytes.size());
      },
      [this](TStream& s) {
        s.WriteU8(static_cast<std::uint8_t>(graphic.size()));
        s.WriteBuffer(graphic.data(), graphic.size());
        s.WriteBuffer(bytes.data(), bytes.size());
      },
      !graphic.empty());
}

// ---- collection

TTestItem::TTestItem(TCollection* c) : TCollectionItem(c), sub(std::make_unique<TTestCollection>()) {}
TTestItem::~TTestItem() = default;

const ClassInfo& TTestItem::StaticInfo() {
  static const ClassInfo info{"TTestItem",
                              nullptr,
                              {StrProp("Name", &TTestItem::name),
                               BoolProp("Compress", &TTestItem::compress),
                               Reference("Ref", &TTestItem::ref),
                               {"Sub", PropKind::Object, nullptr, [](TPersistent&, const PropValue&) {},
                                [](TPersistent& o) {
                                  PropValue v;
                                  v.obj = static_cast<TTestItem&>(o).sub.get();
                                  return v;
                                },
                                [](TPersistent& o) { return static_cast<TTestItem&>(o).sub->Count() > 0; }}},
                              {},
                              {},
                              {}};
  return info;
}

void TTestItem::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Payload",
      [this](TStream& s) {
        compressWhenPayload = compress ? "True" : "False";
        payload.resize(static_cast<std::size_t>(s.Size()));
        s.ReadBuffer(payload.data(), payload.size());
      },
      [this](TStream& s) { s.WriteBuffer(payload.data(), payload.size()); }, !payload.empty());
}

const ClassInfo& TTestCollection::StaticInfo() {
  static const ClassInfo info{"TTestCollection", nullptr, {}, {}, {}, {}};
  return info;
}

TCollectionItem* TTestCollection::Add() { return Append(std::make_unique<TTestItem>(this)); }
void TTestCollection::BeginUpdate() {
  ++begins;
  TCollection::BeginUpdate();
}
void TTestCollection::EndUpdate() {
  ++ends;
  TCollection::EndUpdate();
}

// ---- controls

TTestControl::TTestControl(TComponent* owner) : TComponent(owner) {}

TTestControl::~TTestControl() {
  for (TComponent* c : children)
    if (auto* t = dynamic_cast<TTestControl*>(c)) t->parent = nullptr;
  children.clear();
  if (parent) {
    auto& list = parent->children;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

const ClassInfo& TTestControl::StaticInfo() {
  using T = TTestControl;
  static const ClassInfo info{"TTestControl",
                              &TComponent::StaticInfo(),
                              {IntProp("Left", &T::left),
                               IntProp("Top", &T::top),
                               IntProp("Width", &T::width),
                               IntProp("Align", &T::align, &kAlignType, PropKind::Enumeration),
                               BoolProp("Enabled", &T::enabled),
                               StrProp("Caption", &T::caption),
                               IntProp("Accel", &T::accel, nullptr, PropKind::Char),
                               {"Ratio",
                                PropKind::Float,
                                nullptr,
                                [](TPersistent& o, const PropValue& v) { static_cast<T&>(o).ratio = v.f; },
                                [](TPersistent& o) {
                                  PropValue v;
                                  v.f = static_cast<T&>(o).ratio;
                                  return v;
                                },
                                {}},
                               IntProp("Options", &T::options, &kFontStyleType, PropKind::Set),
                               IntProp("Color", &T::color, &kColorType),
                               {"ReadOnlyTag",
                                PropKind::Integer,
                                nullptr,
                                {},
                                [](TPersistent& o) {
                                  PropValue v;
                                  v.i = static_cast<T&>(o).readOnlyTag;
                                  return v;
                                },
                                {}},
                               Reference("Ref", &T::ref),
                               {"Variant",
                                PropKind::Variant,
                                nullptr,
                                [](TPersistent& o, const PropValue& v) { static_cast<T&>(o).variant = v; },
                                [](TPersistent& o) { return static_cast<T&>(o).variant; },
                                {}},
                               {"OnClick",
                                PropKind::Event,
                                nullptr,
                                [](TPersistent& o, const PropValue& v) { static_cast<T&>(o).onClick = v.event; },
                                [](TPersistent& o) {
                                  PropValue v;
                                  v.event = static_cast<T&>(o).onClick;
                                  return v;
                                },
                                {}},
                               SubObject("Font", &T::font, true),
                               SubObject("Lines", &T::lines, false),
                               SubObject("Picture", &T::picture, false),
                               SubObject("Items", &T::items, true)},
                              [](TComponent* owner) -> TComponent* { return new TTestControl(owner); },
                              {},
                              {}};
  return info;
}

void TTestControl::Loaded() {
  TComponent::Loaded();
  ++loadedCalls;
  stateAtLoaded = State();
  LoadedLog().push_back(LogName(*this));
}

void TTestControl::SetParentComponent(TComponent* p) {
  if (parent) {
    auto& list = parent->children;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  parent = dynamic_cast<TTestControl*>(p);
  if (parent) parent->children.push_back(this);
}

void TTestControl::SetChildOrder(TComponent* child, int order) {
  auto it = std::find(children.begin(), children.end(), child);
  if (it == children.end()) return;
  children.erase(it);
  order = std::clamp(order, 0, static_cast<int>(children.size()));
  children.insert(children.begin() + order, child);
}

const ClassInfo& TTestLabel::StaticInfo() {
  static const ClassInfo info{"TTestLabel", &TTestControl::StaticInfo(),
                              {},           [](TComponent* owner) -> TComponent* {
                                return new TTestLabel(owner); },
                              {},           {}};
  return info;
}

const ClassInfo& TTestPanel::StaticInfo() {
  static const ClassInfo info{"TTestPanel", &TTestControl::StaticInfo(),
                              {},           [](TComponent* owner) -> TComponent* {
                                return new TTestPanel(owner); },
                              {},           {}};
  return info;
}

TTestNotebook::TTestNotebook(TComponent* owner) : TTestControl(owner) {
  ClassRegistry::Register(TTestPage::StaticInfo());
}

const ClassInfo& TTestNotebook::StaticInfo() {
  static const ClassInfo info{"TTestNotebook",
                              &TTestControl::StaticInfo(),
                              {},
                              [](TComponent* owner) -> TComponent* { return new TTestNotebook(owner); },
                              {},
                              {}};
  return info;
}

const ClassInfo& TTestPage::StaticInfo() {
  static const ClassInfo info{"TTestPage", &TTestControl::StaticInfo(),
                              {},          [](TComponent* owner) -> TComponent* {
                                return new TTestPage(owner); },
                              {},          {}};
  return info;
}

const ClassInfo& TTestNonVisual::StaticInfo() {
  static const ClassInfo info{"TTestNonVisual",
                              &TComponent::StaticInfo(),
                              {StrProp("Version", &TTestNonVisual::version)},
                              [](TComponent* owner) -> TComponent* { return new TTestNonVisual(owner); },
                              {},
                              {}};
  return info;
}

void TTestNonVisual::Loaded() {
  TNonVisual::Loaded();
  LoadedLog().push_back(LogName(*this));
}

// ---- form

TTestForm::TTestForm() : TTestControl(nullptr) { SetName("TestForm"); }

const ClassInfo& TTestForm::StaticInfo() {
  using F = TTestForm;
  auto field = [](std::string_view name, const ClassInfo& cls, auto member) {
    return FieldInfo{name, &cls, [member](TComponent& root) -> TComponent*& { return static_cast<F&>(root).*member; }};
  };
  auto handler = [](std::string_view name) {
    return MethodInfo{name, [name](TComponent& root, TPersistent*) { static_cast<F&>(root).calls.emplace_back(name); }};
  };
  static const ClassInfo info{
      "TTestForm",
      &TTestControl::StaticInfo(),
      {},
      {},
      {field("Panel1", TTestPanel::StaticInfo(), &F::Panel1), field("Label1", TTestLabel::StaticInfo(), &F::Label1),
       field("Label2", TTestLabel::StaticInfo(), &F::Label2),
       field("Notebook1", TTestNotebook::StaticInfo(), &F::Notebook1),
       field("NonVisual1", TTestNonVisual::StaticInfo(), &F::NonVisual1)},
      {handler("FormCreate"), handler("Button1Click")}};
  return info;
}

void TTestForm::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "TextHeight", [this](TReader& r) { textHeight = r.ReadInteger(); },
      [this](TWriter& w) { w.WriteInteger(textHeight); }, textHeight != 0);
}

std::vector<TComponent*> TTestForm::Children() const {
  std::vector<TComponent*> list;
  for (int i = 0; i < ComponentCount(); ++i)
    if (!dynamic_cast<TTestControl*>(Component(i))) list.push_back(Component(i));
  list.insert(list.end(), children.begin(), children.end());
  return list;
}

}  // namespace qs::test
