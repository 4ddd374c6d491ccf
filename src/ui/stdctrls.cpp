#include "ui/stdctrls.h"

#include "stream/reader.h"
#include "stream/writer.h"
#include "ui/props.h"

namespace qs {
namespace {

template <class T>
PropInfo CaptionProp() {
  return props::Str<T>("Caption", &T::Caption, &T::SetCaption);
}
template <class T>
PropInfo EnabledProp() {
  return props::Bool<T>("Enabled", &T::Enabled, &T::SetEnabled, true);
}
template <class T>
PropInfo VisibleProp() {
  return props::Bool<T>("Visible", &T::Visible, &T::SetVisible, true);
}
template <class T>
PropInfo TabOrderProp() {
  return props::Int<T>("TabOrder", &T::TabOrder, &T::SetTabOrder, -1);
}
template <class T>
PropInfo FontProp() {
  return props::Object<T, TFont>(
      "Font", +[](T& c) -> TFont& { return c.Font(); },
      [](TPersistent& o) { return !static_cast<T&>(o).ParentFont(); });
}
template <class T>
PropInfo ParentFontProp() {
  return props::Bool<T>("ParentFont", &T::ParentFont, &T::SetParentFont, true);
}
template <class T>
std::function<TComponent*(TComponent*)> Creator() {
  return [](TComponent* owner) -> TComponent* { return new T(owner); };
}

}  // namespace

const ClassInfo& TGraphicControl::StaticInfo() {
  static const ClassInfo info{"TGraphicControl", &TControl::StaticInfo(), {}, {}, {}, {}};
  return info;
}

// ---- TLabel

const ClassInfo& TLabel::StaticInfo() {
  static const ClassInfo info{"TLabel",
                              &TGraphicControl::StaticInfo(),
                              {
                                  props::Enum<TLabel, TAlignment>("Alignment", kAlignmentType, &TLabel::Alignment,
                                                                  &TLabel::SetAlignment, taLeftJustify),
                                  props::Bool<TLabel>("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true),
                                  CaptionProp<TLabel>(),
                                  FontProp<TLabel>(),
                                  ParentFontProp<TLabel>(),
                                  VisibleProp<TLabel>(),
                                  props::Bool<TLabel>("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false),
                              },
                              Creator<TLabel>(),
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
                                  CaptionProp<TButton>(),
                                  props::Bool<TButton>("Default", &TButton::Default, &TButton::SetDefault, false),
                                  EnabledProp<TButton>(),
                                  FontProp<TButton>(),
                                  ParentFontProp<TButton>(),
                                  TabOrderProp<TButton>(),
                                  VisibleProp<TButton>(),
                                  props::Event<TButton>("OnClick", &TButton::OnClick),
                              },
                              Creator<TButton>(),
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
  static const ClassInfo info{"TCheckBox",
                              &TWinControl::StaticInfo(),
                              {
                                  CaptionProp<TCheckBox>(),
                                  props::Bool<TCheckBox>("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked, false),
                                  EnabledProp<TCheckBox>(),
                                  FontProp<TCheckBox>(),
                                  ParentFontProp<TCheckBox>(),
                                  props::Enum<TCheckBox, TCheckBoxState>("State", kCheckBoxStateType, &TCheckBox::State,
                                                                         &TCheckBox::SetState, cbUnchecked),
                                  TabOrderProp<TCheckBox>(),
                                  VisibleProp<TCheckBox>(),
                              },
                              Creator<TCheckBox>(),
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
  static const ClassInfo info{"TMemo",
                              &TWinControl::StaticInfo(),
                              {
                                  FontProp<TMemo>(),
                                  props::Object<TMemo, TStrings>(
                                      "Lines", +[](TMemo& m) -> TStrings& { return m.Lines(); },
                                      [](TPersistent& o) { return static_cast<TMemo&>(o).Lines().Count() > 0; }),
                                  ParentFontProp<TMemo>(),
                                  props::Enum<TMemo, TScrollStyle>("ScrollBars", kScrollStyleType, &TMemo::ScrollBars,
                                                                   &TMemo::SetScrollBars, ssNone),
                                  TabOrderProp<TMemo>(),
                                  VisibleProp<TMemo>(),
                              },
                              Creator<TMemo>(),
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
                              {CaptionProp<TPanel>(), FontProp<TPanel>(), ParentFontProp<TPanel>(),
                               TabOrderProp<TPanel>(), VisibleProp<TPanel>()},
                              Creator<TPanel>(),
                              {},
                              {}};
  return info;
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {}

const ClassInfo& TGroupBox::StaticInfo() {
  static const ClassInfo info{"TGroupBox",
                              &TWinControl::StaticInfo(),
                              {CaptionProp<TGroupBox>(), FontProp<TGroupBox>(), ParentFontProp<TGroupBox>(),
                               TabOrderProp<TGroupBox>(), VisibleProp<TGroupBox>()},
                              Creator<TGroupBox>(),
                              {},
                              {}};
  return info;
}

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {}

// ---- TBevel

const ClassInfo& TBevel::StaticInfo() {
  static const ClassInfo info{
      "TBevel",
      &TGraphicControl::StaticInfo(),
      {
          props::Enum<TBevel, TBevelShape>("Shape", kBevelShapeType, &TBevel::Shape, &TBevel::SetShape, bsBox),
          VisibleProp<TBevel>(),
      },
      Creator<TBevel>(),
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
                                  props::Bool<TImage>("Center", &TImage::Center, &TImage::SetCenter, false),
                                  props::Object<TImage, TPicture>(
                                      "Picture", +[](TImage& i) -> TPicture& { return i.Picture(); },
                                      [](TPersistent& o) { return !static_cast<TImage&>(o).Picture().Empty(); }),
                                  VisibleProp<TImage>(),
                              },
                              Creator<TImage>(),
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
  static const ClassInfo info{
      "TDirectoryEdit",
      &TWinControl::StaticInfo(),
      {
          EnabledProp<TDirectoryEdit>(),
          FontProp<TDirectoryEdit>(),
          props::Int<TDirectoryEdit>("NumGlyphs", &TDirectoryEdit::NumGlyphs, &TDirectoryEdit::SetNumGlyphs),
          ParentFontProp<TDirectoryEdit>(),
          TabOrderProp<TDirectoryEdit>(),
          props::Str<TDirectoryEdit>("Text", &TDirectoryEdit::Text, &TDirectoryEdit::SetText),
          VisibleProp<TDirectoryEdit>(),
      },
      Creator<TDirectoryEdit>(),
      {},
      {}};
  return info;
}

TDirectoryEdit::TDirectoryEdit(TComponent* owner) : TWinControl(owner) {}

void TDirectoryEdit::SetText(const std::string& v) { SetCaption(v); }

// ---- TProgressBar

const ClassInfo& TProgressBar::StaticInfo() {
  static const ClassInfo info{
      "TProgressBar",
      &TWinControl::StaticInfo(),
      {
          props::Int<TProgressBar>("Min", &TProgressBar::Min, &TProgressBar::SetMin),
          props::Int<TProgressBar>("Max", &TProgressBar::Max, &TProgressBar::SetMax),
          props::Int<TProgressBar>("Position", &TProgressBar::Position, &TProgressBar::SetPosition, 0),
          TabOrderProp<TProgressBar>(),
          VisibleProp<TProgressBar>(),
      },
      Creator<TProgressBar>(),
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
