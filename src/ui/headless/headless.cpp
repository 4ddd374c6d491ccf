#include "ui/headless/headless.h"

#include <cstdio>
#include <cstdlib>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/treent.h"

namespace qs {

THeadlessBackend::THeadlessBackend() {
  onUnexpected = [](const std::string& message) {
    std::fprintf(stderr, "headless backend: %s\n", message.c_str());
    std::abort();
  };
}

THeadlessBackend::~THeadlessBackend() = default;

int THeadlessBackend::MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) {
  return Show(Handle(owner), text, caption, flags);
}

MessageResult THeadlessBackend::HandleMessage(bool /*wait*/) {
  // Nothing can arrive from outside: an empty queue never fills up by waiting.
  if (queue_.empty()) return MessageResult::Empty;
  Item item = std::move(queue_.front());
  queue_.pop_front();
  if (item.quit) return MessageResult::Quit;
  if (TApplication* app = CurrentApplication()) {
    app->Guard(item.action);
  } else {
    item.action();
  }
  return MessageResult::Handled;
}

void THeadlessBackend::AttachTree(TControl& c) {
  c.SetBackend(this);
  if (auto* w = dynamic_cast<TWinControl*>(&c))
    for (TControl* child : w->Controls()) AttachTree(*child);
}

void THeadlessBackend::ShowForm(TForm& form) {
  shown_.push_back(&form);
  AttachTree(form);
}

void THeadlessBackend::Changed(TControl& control, Change what) { ++changes_[{&control, what}]; }

void THeadlessBackend::TreeChanged(TTreeNT& tree, TTreeNode*, TreeChange what) { ++treeChanges_[{&tree, what}]; }

void THeadlessBackend::ControlAdded(TControl& control) { AttachTree(control); }

void THeadlessBackend::Destroying(TControl& control) {
  for (auto it = changes_.begin(); it != changes_.end();) it = it->first.first == &control ? changes_.erase(it) : ++it;
  repaints_.erase(&control);
  if (const auto* tree = dynamic_cast<const TTreeNT*>(&control))
    for (auto it = treeChanges_.begin(); it != treeChanges_.end();)
      it = it->first.first == tree ? treeChanges_.erase(it) : ++it;
  for (auto& f : shown_)
    if (static_cast<TControl*>(f) == &control) f = nullptr;
}

int THeadlessBackend::Changes(const TControl* c, Change what) const {
  auto it = changes_.find({c, what});
  return it == changes_.end() ? 0 : it->second;
}

int THeadlessBackend::Repaints(const TControl* c) const {
  auto it = repaints_.find(c);
  return it == repaints_.end() ? 0 : it->second;
}

int THeadlessBackend::TreeChanges(const TTreeNT* tree, TreeChange what) const {
  auto it = treeChanges_.find({tree, what});
  return it == treeChanges_.end() ? 0 : it->second;
}

void THeadlessBackend::ClearRecords() {
  ClearBoxes();
  changes_.clear();
  repaints_.clear();
  treeChanges_.clear();
}

}  // namespace qs
