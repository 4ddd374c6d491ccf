// A backend that shows nothing: for tests and the command-line tool.
//
// Message boxes are answered from a script of expected boxes, in order, and every box shown is
// recorded with its owner, text, caption and flags. A box that the script does not expect (or
// that differs from the expectation) is reported through onUnexpected, which by default prints
// the box and aborts the process, so it can never go unnoticed; tests route it to their
// framework's failure report.
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

#include "platform/platform.h"
#include "ui/backend.h"

namespace qs {

class THeadlessBackend : public TUiBackend, public TControlBackend, public IMessageBoxes {
 public:
  struct Box {
    TForm* owner = nullptr;     // the owning form (boxes through TUiBackend)
    std::uintptr_t window = 0;  // the owner's window handle (boxes through IMessageBoxes)
    std::string text, caption;
    unsigned flags = 0;
  };
  // An expected box: unset fields match anything. `then` runs after the box was answered (and
  // before its answer is returned), e.g. to post further actions.
  struct Expect {
    std::optional<std::string> text, caption;
    std::optional<unsigned> flags;
    std::optional<TForm*> owner;
    int answer = kIdOk;
    std::function<void()> then;
  };

  THeadlessBackend();
  ~THeadlessBackend() override;

  // ---- script
  void ExpectBox(Expect e) { expected_.push_back(std::move(e)); }
  void ExpectBox(std::string text, std::string caption, unsigned flags, int answer) {
    ExpectBox(Expect{std::move(text), std::move(caption), flags, std::nullopt, answer, {}});
  }
  // Boxes still expected but never shown, described one per line ("" when none).
  std::string Unmet() const;
  const std::vector<Box>& Boxes() const { return boxes_; }
  // What an unexpected box (or a box that does not match) reports. The box's answer is then
  // kIdOk for an OK box and kIdNo otherwise.
  std::function<void(const std::string& message)> onUnexpected;

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

  // ---- IMessageBoxes
  int Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) override;

 private:
  struct Item {
    bool quit;
    std::function<void()> action;
  };
  int Answer(Box box);
  void AttachTree(TControl& c);

  std::deque<Expect> expected_;
  std::vector<Box> boxes_;
  std::deque<Item> queue_;
  std::string title_;
  int iconChanges_ = 0;
  std::vector<TForm*> shown_;
  std::map<std::pair<const TControl*, Change>, int> changes_;
  std::map<const TControl*, int> repaints_;
  std::map<std::pair<const TTreeNT*, TreeChange>, int> treeChanges_;
};

}  // namespace qs
