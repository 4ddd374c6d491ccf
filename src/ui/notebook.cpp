#include "ui/notebook.h"

#include "stream/props.h"

namespace qs {

const ClassInfo& TPage::StaticInfo() {
  static const ClassInfo info{"TPage",
                              &TWinControl::StaticInfo(),
                              {props::Str<&TPage::Caption, &TPage::SetCaption, props::kEmpty>("Caption")},
                              &Create<TPage>,
                              {},
                              {}};
  return info;
}

TPage::TPage(TComponent* owner) : TWinControl(owner) {}

const ClassInfo& TNotebook::StaticInfo() {
  static const ClassInfo info{"TNotebook",
                              &TWinControl::StaticInfo(),
                              {
                                  props::Int<&TNotebook::PageIndex, &TNotebook::SetPageIndex>("PageIndex"),
                                  props::Int<&TNotebook::TabOrder, &TNotebook::SetTabOrder, -1>("TabOrder"),
                              },
                              &Create<TNotebook>,
                              {},
                              {}};
  return info;
}

TNotebook::TNotebook(TComponent* owner) : TWinControl(owner) {}

void RegisterUiClasses() { ClassRegistry::Register(TPage::StaticInfo()); }

int TNotebook::PageCount() const {
  int n = 0;
  for (TControl* c : Controls())
    if (dynamic_cast<TPage*>(c)) ++n;
  return n;
}

TPage* TNotebook::Page(int i) const {
  if (i < 0) return nullptr;
  for (TControl* c : Controls())
    if (auto* p = dynamic_cast<TPage*>(c)) {
      if (i == 0) return p;
      --i;
    }
  return nullptr;
}

void TNotebook::SetPageIndex(int index) {
  if (State() & csLoading) {
    pendingIndex_ = index;
    pending_ = true;
    return;
  }
  if (index < 0 || index >= PageCount() || index == pageIndex_) return;
  pageIndex_ = index;
  Changed(Change::PageIndex);
}

TComponent* TNotebook::ChildOwner(TComponent*) { return this; }

void TNotebook::Loaded() {
  TWinControl::Loaded();
  if (pending_) {
    pending_ = false;
    SetPageIndex(pendingIndex_);
  }
}

void TNotebook::ControlsChanged() {
  const int n = PageCount();
  int index = pageIndex_;
  if (n == 0) {
    index = -1;
  } else if (index < 0) {
    index = 0;
  } else if (index >= n) {
    index = n - 1;
  }
  if (index == pageIndex_) return;
  pageIndex_ = index;
  Changed(Change::PageIndex);
}

}  // namespace qs
