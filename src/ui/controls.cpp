#include "ui/controls.h"

#include <algorithm>

#include "core/errors.h"
#include "stream/props.h"
#include "stream/reader.h"
#include "stream/writer.h"
#include "ui/application.h"

namespace qs {

// ---- TControl ---------------------------------------------------------------------------------

namespace {
bool SizeIsStored(TPersistent& o) { return static_cast<TControl&>(o).SizeStored(); }
}  // namespace

const ClassInfo& TControl::StaticInfo() {
  static const ClassInfo info{
      "TControl",
      &TComponent::StaticInfo(),
      {
          props::Int<&TControl::Left, &TControl::SetLeft>("Left"),
          props::Int<&TControl::Top, &TControl::SetTop>("Top"),
          props::Int<&TControl::Width, &TControl::SetWidth>("Width").StoredWhen(&SizeIsStored),
          props::Int<&TControl::Height, &TControl::SetHeight>("Height").StoredWhen(&SizeIsStored),
      },
      {},
      {},
      {}};
  return info;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.onChange = [this] {
    parentFont_ = false;
    Changed(Change::Font);
  };
}

TControl::~TControl() {
  if (backend_) backend_->Destroying(*this);
  backend_ = nullptr;
  SetParent(nullptr);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  Changed(Change::Bounds);
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(Change::Visible);
}

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Changed(Change::Enabled);
}

void TControl::SetCaption(const std::string& v) {
  if (v == caption_) return;
  caption_ = v;
  Changed(Change::Caption);
}

void TControl::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed(Change::Color);
}

void TControl::SetParentFont(bool v) {
  if (v == parentFont_) return;
  parentFont_ = v;
  Changed(Change::Font);
}

const TFont& TControl::EffectiveFont() const {
  const TControl* c = this;
  while (c->parentFont_ && c->parent_) c = c->parent_;
  return c->font_;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  for (const TControl* p = parent; p; p = p->parent_)
    if (p == this) throw Exception("A control cannot be its own parent");
  if (parent_) {
    auto& list = parent_->controls_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_->ControlsChanged();
  }
  parent_ = parent;
  if (parent_) {
    parent_->controls_.push_back(this);
    parent_->ControlsChanged();
    if (!backend_ && parent_->backend_) parent_->backend_->ControlAdded(*this);
  }
  Changed(Change::Parent);
}

void TControl::SetParentComponent(TComponent* parent) {
  if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

TComponent* TControl::ParentComponent() const { return parent_; }

void TControl::Repaint() {
  if (backend_) backend_->Repaint(*this);
}

void TControl::Changed(Change what) {
  if (backend_) backend_->Changed(*this, what);
}

// ---- TWinControl ------------------------------------------------------------------------------

const ClassInfo& TWinControl::StaticInfo() {
  static const ClassInfo info{"TWinControl", &TControl::StaticInfo(), {}, {}, {}, {}};
  return info;
}

TWinControl::~TWinControl() {
  // Children live on with their owner; they only lose their parent.
  while (!controls_.empty()) controls_.back()->SetParent(nullptr);
}

std::vector<TComponent*> TWinControl::Children() const { return {controls_.begin(), controls_.end()}; }

void TWinControl::SetChildOrder(TComponent* child, int order) {
  auto it = std::find(controls_.begin(), controls_.end(), child);
  if (it == controls_.end()) return;
  TControl* c = *it;
  controls_.erase(it);
  const int n = static_cast<int>(controls_.size());
  const int pos = order < 0 ? 0 : order > n ? n : order;
  controls_.insert(controls_.begin() + pos, c);
  ControlsChanged();
  c->Changed(Change::Parent);
}

// ---- TForm ------------------------------------------------------------------------------------

const ClassInfo& TForm::StaticInfo() {
  static const ClassInfo info{
      "TForm",
      &TWinControl::StaticInfo(),
      {
          props::Enum<kBorderStyleType, &TForm::BorderStyle, &TForm::SetBorderStyle, bsSizeable>("BorderStyle"),
          props::Str<&TForm::Caption, &TForm::SetCaption, props::kEmpty>("Caption"),
          props::Int<&TForm::ClientHeight, &TForm::SetClientHeight>("ClientHeight"),
          props::Int<&TForm::ClientWidth, &TForm::SetClientWidth>("ClientWidth"),
          props::Int<&TForm::Color, &TForm::SetColor>("Color", &kColorType),
          props::Object<TControl, TFont, &TControl::Font>("Font"),
          props::Bool<&TForm::OldCreateOrder, &TForm::SetOldCreateOrder>("OldCreateOrder"),
          props::Enum<kPositionType, &TForm::Position, &TForm::SetPosition, poDesigned>("Position"),
          props::Event<&TForm::OnCreate>("OnCreate"),
          props::Event<&TForm::OnDestroy>("OnDestroy"),
          props::Int<&TForm::PixelsPerInch, &TForm::SetPixelsPerInch>("PixelsPerInch"),
      },
      {},
      {},
      {}};
  return info;
}

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  SetParentFont(false);
}

TForm::~TForm() {
  BeforeDestruction();
  DestroyComponents();
}

void TForm::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "TextHeight", [this](TReader& r) { textHeight_ = r.ReadInteger(); },
      [this](TWriter& w) { w.WriteInteger(textHeight_); }, true);
}

void TForm::SetBorderStyle(TFormBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  Changed(Change::Style);
}

void TForm::SetPosition(TPosition v) {
  if (v == position_) return;
  position_ = v;
  Changed(Change::Bounds);
}

void TForm::SetClientWidth(int v) {
  if (v == clientWidth_) return;
  clientWidth_ = v;
  Changed(Change::Bounds);
}

void TForm::SetClientHeight(int v) {
  if (v == clientHeight_) return;
  clientHeight_ = v;
  Changed(Change::Bounds);
}

void TForm::AfterConstruction() {
  if (!OnCreate) return;
  if (TApplication* app = CurrentApplication()) {
    app->Guard([this] { OnCreate(this); });
  } else {
    OnCreate(this);
  }
}

void TForm::BeforeDestruction() {
  if (destroyed_) return;
  destroyed_ = true;
  if (!OnDestroy) return;
  if (TApplication* app = CurrentApplication()) {
    app->Guard([this] { OnDestroy(this); });
  } else {
    OnDestroy(this);
  }
}

std::vector<TComponent*> TForm::Children() const {
  std::vector<TComponent*> out;
  for (int i = 0; i < ComponentCount(); ++i)
    if (!dynamic_cast<TControl*>(Component(i))) out.push_back(Component(i));
  for (TControl* c : Controls()) out.push_back(c);
  return out;
}

}  // namespace qs
