// Message boxes for tests and tools: every box is recorded, and its answer comes from a script of
// expected boxes, in order. An expectation may name the box's text, caption, flags and owner (what
// it leaves unset matches anything) and gives the button pressed. A box that nobody expected, one
// that differs from its expectation, or one whose buttons cannot give the scripted answer is a
// fault of the test: it is recorded as unexpected and reported through onUnexpected, which by
// default raises UnexpectedMessageBox. The headless user interface answers its boxes with the same
// script.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qs {

struct RecordedBox {
  std::uintptr_t owner = 0;
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int answer = 0;        // the button given back
  bool expected = true;  // false when the script did not expect it
};

class UnexpectedMessageBox : public std::logic_error {
 public:
  explicit UnexpectedMessageBox(const std::string& what) : std::logic_error(what) {}
};

class RecordingMessageBoxes : public IMessageBoxes {
 public:
  // An expected box: unset fields match anything. `then` runs after the box was answered (and
  // before its answer is returned), e.g. to post further actions.
  struct Expect {
    std::optional<std::string> text, caption;
    std::optional<unsigned> flags;
    std::optional<std::uintptr_t> owner;
    int answer = kIdOk;
    std::function<void()> then;
  };

  // ---- the script
  void ExpectBox(Expect e) { expected_.push_back(std::move(e)); }
  void ExpectBox(std::string text, std::string caption, unsigned flags, int answer) {
    ExpectBox(Expect{std::move(text), std::move(caption), flags, std::nullopt, answer, {}});
  }
  // The next box, whatever it is, answers with this button.
  void Answer(int button) { ExpectBox(Expect{{}, {}, {}, {}, button, {}}); }
  // Answers every box beyond the script with this button instead of reporting it (tools).
  void SetDefaultAnswer(std::optional<int> button) { default_ = button; }
  // What an unexpected box reports. When it returns, the box is answered with kIdOk (an OK box)
  // or kIdNo. Unset, it raises UnexpectedMessageBox.
  std::function<void(const std::string& message)> onUnexpected;

  int Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) override;

  // ---- the record
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  std::size_t PendingAnswers() const { return expected_.size(); }
  std::size_t UnexpectedCount() const;
  // Boxes still expected but never shown, described one per line ("" when none).
  std::string Unmet() const;
  // Forgets the boxes shown; Clear forgets the script too.
  void ClearBoxes() { boxes_.clear(); }
  void Clear() {
    boxes_.clear();
    expected_.clear();
  }

 private:
  int Unexpected(const std::string& message);

  std::deque<Expect> expected_;
  std::optional<int> default_;
  std::vector<RecordedBox> boxes_;
};

// Whether a box with these flags can give this button (MB_OK: IDOK; MB_YESNO: IDYES or IDNO; ...).
bool ButtonFits(unsigned flags, int button);

}  // namespace qs
