// A backend that shows nothing: for tests and the command-line tool.
//
// Message boxes are the portable platform's scripted ones (platform/portable/messageboxes.h),
// whichever way they come: a form's boxes name the form as their owner (Handle). Here a box that
// the script does not expect is reported by printing it and aborting the process, so it can never
// go unnoticed; tests route onUnexpected to their framework's failure report.
//
// The message queue holds posted quit requests and posted actions (what a test makes "the user"
// do while the program waits for messages). Control changes are recorded for assertions.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/portable/messageboxes.h"
#include "ui/backend.h"

namespace qs {

class THeadlessBackend : public TUiBackend, public TControlBackend, public RecordingMessageBoxes {
 public:
  THeadlessBackend();
  ~THeadlessBackend() override;

  // The owner recorded for a form's message boxes.
  static std::uintptr_t Handle(const TForm* form) { return reinterpret_cast<std::uintptr_t>(form); }

  // ---- queue
  void Post(std::function<void()> action) { queue_.push_back(Item{false, std::move(action)}); }
  std::size_t Pending() const { return queue_.size(); }

  // ---- records
  const std::string& Title() const { return title_; }
  int IconChanges() const { return iconChanges_; }
  const std::vector<TForm*>& ShownForms() const { return shown_; }
  // How often a control reported a change of this kind / asked for a repaint.
  int Changes(const TControl* c, Change what) const;
  int Repaints(const TControl* c) const;
  int TreeChanges(const TTreeNT* tree, TreeChange what) const;
  void ClearRecords();

  // ---- TUiBackend
  int MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) override;
  void PostQuit() override { queue_.push_back(Item{true, {}}); }
  MessageResult HandleMessage(bool wait) override;
  void ShowForm(TForm& form) override;
  void TitleChanged(const std::string& title) override { title_ = title; }
  void IconChanged(const TIcon&) override { ++iconChanges_; }

  // ---- TControlBackend
  void Changed(TControl& control, Change what) override;
  void TreeChanged(TTreeNT& tree, TTreeNode* node, TreeChange what) override;
  void ControlAdded(TControl& control) override;
  void Repaint(TControl& control) override { ++repaints_[&control]; }
  void Destroying(TControl& control) override;

 private:
  struct Item {
    bool quit;
    std::function<void()> action;
  };
  void AttachTree(TControl& c);

  std::deque<Item> queue_;
  std::string title_;
  int iconChanges_ = 0;
  std::vector<TForm*> shown_;
  std::map<std::pair<const TControl*, Change>, int> changes_;
  std::map<const TControl*, int> repaints_;
  std::map<std::pair<const TTreeNT*, TreeChange>, int> treeChanges_;
};

}  // namespace qs
