#include "stream/test_classes.h"

#include <algorithm>

#include "core/streams.h"
#include "stream/props.h"
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
// A sub-object the reader walks into; with a setter that keeps it (values go into it) or read-only.
template <auto Field>
PropValue GetSub(TPersistent& o) {
  PropValue v;
  v.obj = &(static_cast<props::detail::ClassOf<Field>&>(o).*Field);
  return v;
}
void KeepSub(TPersistent&, const PropValue&) {}
template <auto Field>
PropInfo SubObject(std::string_view name, bool withSetter) {
  return {name, PropKind::Object, nullptr, withSetter ? &KeepSub : nullptr, &GetSub<Field>, nullptr};
}

// A reference to another component, resolved by name once the stream is read.
template <auto Field>
PropInfo Reference(std::string_view name) {
  using T = props::detail::ClassOf<Field>;
  return {name,
          PropKind::Object,
          nullptr,
          [](TPersistent& o, const PropValue& v) { static_cast<T&>(o).*Field = dynamic_cast<TComponent*>(v.obj); },
          [](TPersistent& o) {
            PropValue v;
            v.obj = static_cast<T&>(o).*Field;
            return v;
          },
          nullptr};
}

std::string LogName(const TComponent& c) { return c.Name().empty() ? std::string(c.ClassName()) : c.Name(); }
}  // namespace

// ---- sub-objects

const ClassInfo& TTestFont::StaticInfo() {
  static const ClassInfo info{
      "TTestFont",
      nullptr,
      {props::Str<&TTestFont::name>("Name"), props::Int<&TTestFont::height>("Height"),
       props::Int<&TTestFont::color>("Color", &kColorType), props::Set<&TTestFont::style>("Style", kFontStyleType)},
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
                              {props::Str<&TTestItem::name>("Name"),
                               props::Bool<&TTestItem::compress>("Compress"),
                               Reference<&TTestItem::ref>("Ref"),
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
                              {props::Int<&T::left>("Left"),
                               props::Int<&T::top>("Top"),
                               props::Int<&T::width>("Width"),
                               props::Enum<kAlignType, &T::align>("Align"),
                               props::Bool<&T::enabled>("Enabled"),
                               props::Str<&T::caption>("Caption"),
                               props::Char<&T::accel>("Accel"),
                               props::Float<&T::ratio>("Ratio"),
                               props::Set<&T::options>("Options", kFontStyleType),
                               props::Int<&T::color>("Color", &kColorType),
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
                               Reference<&T::ref>("Ref"),
                               {"Variant",
                                PropKind::Variant,
                                nullptr,
                                [](TPersistent& o, const PropValue& v) { static_cast<T&>(o).variant = v; },
                                [](TPersistent& o) { return static_cast<T&>(o).variant; },
                                {}},
                               props::Event<&T::onClick>("OnClick").StoredWhen(nullptr),
                               SubObject<&T::font>("Font", true),
                               SubObject<&T::lines>("Lines", false),
                               SubObject<&T::picture>("Picture", false),
                               SubObject<&T::items>("Items", true)},
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
                              {props::Str<&TTestNonVisual::version>("Version")},
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

namespace {
template <auto Field>
TComponent*& Slot(TComponent& root) {
  return static_cast<TTestForm&>(root).*Field;
}
// A handler records its name.
constexpr char kFormCreate[] = "FormCreate";
constexpr char kButton1Click[] = "Button1Click";
template <const char* Name>
void Record(TComponent& root, TPersistent*) {
  static_cast<TTestForm&>(root).calls.emplace_back(Name);
}
}  // namespace

TTestForm::TTestForm() : TTestControl(nullptr) { SetName("TestForm"); }

const ClassInfo& TTestForm::StaticInfo() {
  using F = TTestForm;
  static const ClassInfo info{"TTestForm",
                              &TTestControl::StaticInfo(),
                              {},
                              {},
                              {{"Panel1", &TTestPanel::StaticInfo(), &Slot<&F::Panel1>},
                               {"Label1", &TTestLabel::StaticInfo(), &Slot<&F::Label1>},
                               {"Label2", &TTestLabel::StaticInfo(), &Slot<&F::Label2>},
                               {"Notebook1", &TTestNotebook::StaticInfo(), &Slot<&F::Notebook1>},
                               {"NonVisual1", &TTestNonVisual::StaticInfo(), &Slot<&F::NonVisual1>}},
                              {{"FormCreate", &Record<kFormCreate>}, {"Button1Click", &Record<kButton1Click>}}};
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
