// Message boxes for tests and tools: every box is recorded, and its answer comes from a queue of
// scripted buttons. A box that nobody scripted an answer for is a fault of the test: it is recorded
// as unexpected and raises UnexpectedMessageBox, unless a default answer was set.
#pragma once
#include <cstdint>
#include <deque>
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
  int answer = 0;        // the button given back (0 when the box was unexpected)
  bool expected = true;  // false when no answer was scripted for it
};

class UnexpectedMessageBox : public std::logic_error {
 public:
  explicit UnexpectedMessageBox(const std::string& what) : std::logic_error(what) {}
};

class RecordingMessageBoxes : public IMessageBoxes {
 public:
  // Queues the button that the next box answers with. A box whose buttons cannot give that answer
  // (kIdYes for an OK box) raises UnexpectedMessageBox when it comes.
  void Answer(int button) { answers_.push_back(button); }
  // Answers every unscripted box with this button instead of raising (tools, lenient tests).
  void SetDefaultAnswer(std::optional<int> button) { default_ = button; }

  int Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) override;

  const std::vector<RecordedBox>& Boxes() const { return boxes_; }
  std::size_t PendingAnswers() const { return answers_.size(); }
  std::size_t UnexpectedCount() const;
  void Clear() {
    boxes_.clear();
    answers_.clear();
  }

 private:
  std::deque<int> answers_;
  std::optional<int> default_;
  std::vector<RecordedBox> boxes_;
};

// Whether a box with these flags can give this button (MB_OK: IDOK; MB_YESNO: IDYES or IDNO; ...).
bool ButtonFits(unsigned flags, int button);

}  // namespace qs
