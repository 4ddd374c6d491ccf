// The control tree of the toolkit model: TControl (a rectangle on a parent), TWinControl (a
// control that holds controls) and TForm (a top-level window, the root of a form stream).
//
// Ownership and parenthood are separate, as in a form stream: the owner destroys a component, the
// parent shows it. Destroying a parent does not destroy its children; they lose their parent.
#pragma once
#include <string>
#include <vector>

#include "stream/component.h"
#include "ui/backend.h"
#include "ui/graphics.h"
#include "ui/types.h"

namespace qs {

class TWinControl;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  // Caption of captioned controls, Text of edits (one text per control).
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  // The font the control shows: its own, or its parent's when it follows the parent.
  const TFont& EffectiveFont() const;

  TWinControl* Parent() const { return parent_; }
  // Places the control at the end of parent's children (nullptr: no parent). Raises when the
  // parent would be the control itself or one of its descendants.
  void SetParent(TWinControl* parent);

  // Form stream hooks.
  void SetParentComponent(TComponent* parent) override;
  TComponent* ParentComponent() const override;

  // Backend (see backend.h). Repaint asks it to paint at once.
  TControlBackend* Backend() const { return backend_; }
  void SetBackend(TControlBackend* b) { backend_ = b; }
  void Repaint();

 protected:
  // Tells the backend about a change (nothing when there is none).
  void Changed(Change what);
  friend class TWinControl;

 public:
  // Whether "Width" and "Height" are written (pages fill their container, forms store their
  // client size instead).
  virtual bool SizeStored() const { return true; }

 private:
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  TColor color_ = clBtnFace;
  TFont font_;
  bool parentFont_ = true;
  TWinControl* parent_ = nullptr;
  TControlBackend* backend_ = nullptr;
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner) : TControl(owner) {}
  ~TWinControl() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  TControl* Control(int i) const { return controls_[static_cast<std::size_t>(i)]; }
  const std::vector<TControl*>& Controls() const { return controls_; }
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int v) { tabOrder_ = v; }

  // Form stream hooks: children in order; a stored child position moves a child.
  std::vector<TComponent*> Children() const override;
  void SetChildOrder(TComponent* child, int order) override;

 protected:
  // Called after a control joined or left this control's children.
  virtual void ControlsChanged() {}

 private:
  friend class TControl;
  std::vector<TControl*> controls_;
  int tabOrder_ = -1;
};

// A published component field of a form: the slot the stream reader binds by name. The typed
// accessors give nullptr when the bound component is not of the declared class, so a payload that
// puts a component of another kind under a known name cannot be mistaken for the declared one.
template <class T>
class Published {
 public:
  T* get() const { return dynamic_cast<T*>(slot); }
  T* operator->() const { return get(); }
  explicit operator bool() const { return get() != nullptr; }
  operator T*() const { return get(); }
  TComponent* slot = nullptr;
};

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  void DefineProperties(TFiler& filer) override;

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle v);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition v);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  bool OldCreateOrder() const { return oldCreateOrder_; }
  void SetOldCreateOrder(bool v) { oldCreateOrder_ = v; }
  int PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
  int TextHeight() const { return textHeight_; }
  void SetTextHeight(int v) { textHeight_ = v; }

  TNotifyEvent OnCreate, OnDestroy;

  // The end of construction: runs OnCreate. An error escaping the handler goes to the
  // application's standard error box and the form lives on (a window that opens anyway).
  void AfterConstruction();
  // Runs OnDestroy once. The most derived form class calls it first in its destructor, while its
  // handlers can still run; ~TForm calls it too for forms that did not.
  void BeforeDestruction();

  // Children of a form: its non-visual components first, then its controls.
  std::vector<TComponent*> Children() const override;
  bool SizeStored() const override { return false; }

 private:
  TFormBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool oldCreateOrder_ = false;
  int pixelsPerInch_ = 96;
  int textHeight_ = 13;
  bool destroyed_ = false;
};

}  // namespace qs
