// The page container: a notebook shows one of its pages at a time. The pages are its children
// and are owned by the notebook itself (the controls placed on them are owned by the form).
#pragma once
#include <string>

#include "ui/controls.h"

namespace qs {

class TPage : public TWinControl {
 public:
  explicit TPage(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }
  bool SizeStored() const override { return false; }  // a page fills its notebook
};

class TNotebook : public TWinControl {
 public:
  explicit TNotebook(TComponent* owner);
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  int PageCount() const;
  TPage* Page(int i) const;
  // The page shown: 0..PageCount()-1, or -1 when there are no pages.
  int PageIndex() const { return pageIndex_; }
  // Switches to a page. An index outside the existing pages has no effect. While the notebook is
  // being read from a stream the index is kept and applied once reading is done.
  void SetPageIndex(int index);
  TPage* ActivePage() const { return pageIndex_ < 0 ? nullptr : Page(pageIndex_); }

  // Form stream hooks: pages are owned by the notebook.
  TComponent* ChildOwner(TComponent* root) override;
  void Loaded() override;

 protected:
  // Keeps the page index valid as pages come and go.
  void ControlsChanged() override;

 private:
  int pageIndex_ = -1;
  int pendingIndex_ = -1;
  bool pending_ = false;
};

// Makes TPage creatable by name: a form stream names its pages, which have no field of their own.
void RegisterUiClasses();

}  // namespace qs
