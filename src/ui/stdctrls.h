// The standard controls of the toolkit model: labels, buttons, check boxes, memos, panels, group
// boxes, bevels, images, the directory edit and the progress bar. Each publishes the properties a
// form stream sets on it (see its StaticInfo table) and tells its backend about changes.
#pragma once
#include <string>
#include <vector>

#include "ui/controls.h"

namespace qs {

// A control without a window of its own (labels, bevels, images).
class TGraphicControl : public TControl {
 public:
  using TControl::TControl;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
};

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);

 private:
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  bool wordWrap_ = false;
};

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  // The default button is pressed by the Enter key unless the focused control takes Enter itself.
  bool Default() const { return default_; }
  void SetDefault(bool v);
  TNotifyEvent OnClick;
  // A press: runs OnClick with the button as sender.
  void Click();

 private:
  bool default_ = false;
};

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState v);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }

 private:
  TCheckBoxState state_ = cbUnchecked;
};

// A list of texts ("Lines" of a memo). Its defined property "Strings" carries the list.
class TStrings : public TPersistent {
 public:
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int i) const { return lines_[static_cast<std::size_t>(i)]; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Add(const std::string& s);
  void Clear();
  void Assign(const std::vector<std::string>& lines);
  void Assign(const TStrings& other) { Assign(other.lines_); }
  // The lines joined with CR LF (no line break after the last one).
  std::string Text() const;

  std::function<void()> onChange;

 private:
  void Changed() {
    if (onChange) onChange();
  }
  std::vector<std::string> lines_;
};

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  TStrings& Lines() { return lines_; }
  const TStrings& Lines() const { return lines_; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);

 private:
  TStrings lines_;
  TScrollStyle scrollBars_ = ssNone;
};

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
};

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
};

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape v);

 private:
  TBevelShape shape_ = bsBox;
};

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  bool Center() const { return center_; }
  void SetCenter(bool v);
  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

 private:
  bool center_ = false;
  TPicture picture_;
};

// A text edit with a browse button that picks a directory. The edit's text is the directory.
class TDirectoryEdit : public TWinControl {
 public:
  explicit TDirectoryEdit(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  const std::string& Text() const { return Caption(); }
  void SetText(const std::string& v);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int v) { numGlyphs_ = v; }

 private:
  int numGlyphs_ = 1;
};

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v) { SetRange(v, max_); }
  void SetMax(int v) { SetRange(min_, v); }
  // A range whose maximum lies below its minimum is taken as min..min. The position is kept
  // inside the range.
  void SetRange(int min, int max);
  // Positions outside the range show an empty or full bar: they are held at the nearer end.
  void SetPosition(int v);

 private:
  int min_ = 0, max_ = 100, position_ = 0;
};

}  // namespace qs
