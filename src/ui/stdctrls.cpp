#include "ui/stdctrls.h"

#include "stream/props.h"
#include "stream/reader.h"
#include "stream/writer.h"

namespace qs {
namespace {

// The properties the toolkit's controls share.
PropInfo CaptionProp() { return props::Str<&TControl::Caption, &TControl::SetCaption, props::kEmpty>("Caption"); }
PropInfo EnabledProp() { return props::Bool<&TControl::Enabled, &TControl::SetEnabled, true>("Enabled"); }
PropInfo VisibleProp() { return props::Bool<&TControl::Visible, &TControl::SetVisible, true>("Visible"); }
PropInfo TabOrderProp() { return props::Int<&TWinControl::TabOrder, &TWinControl::SetTabOrder, -1>("TabOrder"); }
PropInfo ParentFontProp() { return props::Bool<&TControl::ParentFont, &TControl::SetParentFont, true>("ParentFont"); }
// A control's own font is written unless it follows its parent's.
bool OwnFont(TPersistent& o) { return !static_cast<TControl&>(o).ParentFont(); }
PropInfo FontProp() { return props::Object<TControl, TFont, &TControl::Font>("Font").StoredWhen(&OwnFont); }

}  // namespace

const ClassInfo& TGraphicControl::StaticInfo() {
  static const ClassInfo info{"TGraphicControl", &TControl::StaticInfo(), {}, {}, {}, {}};
  return info;
}

// ---- TLabel

const ClassInfo& TLabel::StaticInfo() {
  static const ClassInfo info{
      "TLabel",
      &TGraphicControl::StaticInfo(),
      {
          props::Enum<kAlignmentType, &TLabel::Alignment, &TLabel::SetAlignment, taLeftJustify>("Alignment"),
          props::Bool<&TLabel::AutoSize, &TLabel::SetAutoSize, true>("AutoSize"),
          CaptionProp(),
          FontProp(),
          ParentFontProp(),
          VisibleProp(),
          props::Bool<&TLabel::WordWrap, &TLabel::SetWordWrap, false>("WordWrap"),
      },
      &Create<TLabel>,
      {},
      {}};
  return info;
}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {}

void TLabel::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Changed(Change::Style);
}

void TLabel::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  Changed(Change::Style);
}

void TLabel::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  Changed(Change::Style);
}

// ---- TButton

const ClassInfo& TButton::StaticInfo() {
  static const ClassInfo info{"TButton",
                              &TWinControl::StaticInfo(),
                              {
                                  CaptionProp(),
                                  props::Bool<&TButton::Default, &TButton::SetDefault, false>("Default"),
                                  EnabledProp(),
                                  FontProp(),
                                  ParentFontProp(),
                                  TabOrderProp(),
                                  VisibleProp(),
                                  props::Event<&TButton::OnClick>("OnClick"),
                              },
                              &Create<TButton>,
                              {},
                              {}};
  return info;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  Changed(Change::Default);
}

void TButton::Click() { OnClick(this); }

// ---- TCheckBox

const ClassInfo& TCheckBox::StaticInfo() {
  static const ClassInfo info{
      "TCheckBox",
      &TWinControl::StaticInfo(),
      {
          CaptionProp(),
          props::Bool<&TCheckBox::Checked, &TCheckBox::SetChecked, false>("Checked"),
          EnabledProp(),
          FontProp(),
          ParentFontProp(),
          props::Enum<kCheckBoxStateType, &TCheckBox::State, &TCheckBox::SetState, cbUnchecked>("State"),
          TabOrderProp(),
          VisibleProp(),
      },
      &Create<TCheckBox>,
      {},
      {}};
  return info;
}

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {}

void TCheckBox::SetState(TCheckBoxState v) {
  if (v == state_) return;
  state_ = v;
  Changed(Change::Checked);
}

// ---- TStrings

const ClassInfo& TStrings::StaticInfo() {
  static const ClassInfo info{"TStrings", nullptr, {}, {}, {}, {}};
  return info;
}

void TStrings::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Strings",
      [this](TReader& r) {
        // A list value always replaces the whole list.
        r.ReadListBegin();
        lines_.clear();
        while (!r.EndOfList()) lines_.push_back(r.ReadString());
        r.ReadListEnd();
        Changed();
      },
      [this](TWriter& w) {
        w.WriteListBegin();
        for (const std::string& s : lines_) w.WriteString(s);
        w.WriteListEnd();
      },
      !lines_.empty());
}

void TStrings::Add(const std::string& s) {
  lines_.push_back(s);
  Changed();
}

void TStrings::Clear() {
  if (lines_.empty()) return;
  lines_.clear();
  Changed();
}

void TStrings::Assign(const std::vector<std::string>& lines) {
  lines_ = lines;
  Changed();
}

std::string TStrings::Text() const {
  std::string out;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i) out += "\r\n";
    out += lines_[i];
  }
  return out;
}

// ---- TMemo

const ClassInfo& TMemo::StaticInfo() {
  static const ClassInfo info{
      "TMemo",
      &TWinControl::StaticInfo(),
      {
          FontProp(),
          props::Object<TMemo, TStrings, &TMemo::Lines>("Lines").StoredWhen(
              [](TPersistent& o) { return static_cast<TMemo&>(o).Lines().Count() > 0; }),
          ParentFontProp(),
          props::Enum<kScrollStyleType, &TMemo::ScrollBars, &TMemo::SetScrollBars, ssNone>("ScrollBars"),
          TabOrderProp(),
          VisibleProp(),
      },
      &Create<TMemo>,
      {},
      {}};
  return info;
}

TMemo::TMemo(TComponent* owner) : TWinControl(owner) {
  SetColor(clWindow);  // a memo is a white text area, like the toolkit's edits
  lines_.onChange = [this] { Changed(Change::Lines); };
}

void TMemo::SetScrollBars(TScrollStyle v) {
  if (v == scrollBars_) return;
  scrollBars_ = v;
  Changed(Change::Style);
}

// ---- TPanel, TGroupBox

const ClassInfo& TPanel::StaticInfo() {
  static const ClassInfo info{"TPanel",
                              &TWinControl::StaticInfo(),
                              {CaptionProp(), FontProp(), ParentFontProp(), TabOrderProp(), VisibleProp()},
                              &Create<TPanel>,
                              {},
                              {}};
  return info;
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {}

const ClassInfo& TGroupBox::StaticInfo() {
  static const ClassInfo info{"TGroupBox",
                              &TWinControl::StaticInfo(),
                              {CaptionProp(), FontProp(), ParentFontProp(), TabOrderProp(), VisibleProp()},
                              &Create<TGroupBox>,
                              {},
                              {}};
  return info;
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {}

// ---- TBevel

const ClassInfo& TBevel::StaticInfo() {
  static const ClassInfo info{"TBevel",
                              &TGraphicControl::StaticInfo(),
                              {
                                  props::Enum<kBevelShapeType, &TBevel::Shape, &TBevel::SetShape, bsBox>("Shape"),
                                  VisibleProp(),
                              },
                              &Create<TBevel>,
                              {},
                              {}};
  return info;
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {}

void TBevel::SetShape(TBevelShape v) {
  if (v == shape_) return;
  shape_ = v;
  Changed(Change::Style);
}

// ---- TImage

const ClassInfo& TImage::StaticInfo() {
  static const ClassInfo info{"TImage",
                              &TGraphicControl::StaticInfo(),
                              {
                                  props::Bool<&TImage::Center, &TImage::SetCenter, false>("Center"),
                                  props::Object<TImage, TPicture, &TImage::Picture>("Picture").StoredWhen(
                                      [](TPersistent& o) { return !static_cast<TImage&>(o).Picture().Empty(); }),
                                  VisibleProp(),
                              },
                              &Create<TImage>,
                              {},
                              {}};
  return info;
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  picture_.onChange = [this] { Changed(Change::Picture); };
}

void TImage::SetCenter(bool v) {
  if (v == center_) return;
  center_ = v;
  Changed(Change::Style);
}

// ---- TDirectoryEdit

const ClassInfo& TDirectoryEdit::StaticInfo() {
  static const ClassInfo info{"TDirectoryEdit",
                              &TWinControl::StaticInfo(),
                              {
                                  EnabledProp(),
                                  FontProp(),
                                  props::Int<&TDirectoryEdit::NumGlyphs, &TDirectoryEdit::SetNumGlyphs>("NumGlyphs"),
                                  ParentFontProp(),
                                  TabOrderProp(),
                                  props::Str<&TDirectoryEdit::Text, &TDirectoryEdit::SetText, props::kEmpty>("Text"),
                                  VisibleProp(),
                              },
                              &Create<TDirectoryEdit>,
                              {},
                              {}};
  return info;
}

TDirectoryEdit::TDirectoryEdit(TComponent* owner) : TWinControl(owner) {}

void TDirectoryEdit::SetText(const std::string& v) { SetCaption(v); }

// ---- TProgressBar

const ClassInfo& TProgressBar::StaticInfo() {
  static const ClassInfo info{"TProgressBar",
                              &TWinControl::StaticInfo(),
                              {
                                  props::Int<&TProgressBar::Min, &TProgressBar::SetMin>("Min"),
                                  props::Int<&TProgressBar::Max, &TProgressBar::SetMax>("Max"),
                                  props::Int<&TProgressBar::Position, &TProgressBar::SetPosition, 0>("Position"),
                                  TabOrderProp(),
                                  VisibleProp(),
                              },
                              &Create<TProgressBar>,
                              {},
                              {}};
  return info;
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {}

void TProgressBar::SetRange(int min, int max) {
  if (max < min) max = min;
  const int pos = position_ < min ? min : position_ > max ? max : position_;
  if (min == min_ && max == max_ && pos == position_) return;
  min_ = min;
  max_ = max;
  position_ = pos;
  Changed(Change::Progress);
}

void TProgressBar::SetPosition(int v) {
  const int pos = v < min_ ? min_ : v > max_ ? max_ : v;
  if (pos == position_) return;
  position_ = pos;
  Changed(Change::Progress);
}

}  // namespace qs
