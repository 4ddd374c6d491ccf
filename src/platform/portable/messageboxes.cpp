#include "platform/portable/messageboxes.h"

namespace qs {

bool ButtonFits(unsigned flags, int button) {
  constexpr int kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5;
  switch (flags & 0xF) {
    case 0x0:  // MB_OK
      return button == kIdOk;
    case 0x1:  // MB_OKCANCEL
      return button == kIdOk || button == kIdCancel;
    case 0x2:  // MB_ABORTRETRYIGNORE
      return button == kIdAbort || button == kIdRetry || button == kIdIgnore;
    case 0x3:  // MB_YESNOCANCEL
      return button == kIdYes || button == kIdNo || button == kIdCancel;
    case 0x4:  // MB_YESNO
      return button == kIdYes || button == kIdNo;
    case 0x5:  // MB_RETRYCANCEL
      return button == kIdRetry || button == kIdCancel;
    default:
      return false;
  }
}

int RecordingMessageBoxes::Show(std::uintptr_t owner, const std::string& text, const std::string& caption,
                                unsigned flags) {
  RecordedBox box{owner, text, caption, flags, 0, true};
  std::optional<int> answer;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else {
    answer = default_;
  }
  if (!answer || !ButtonFits(flags, *answer)) {
    box.expected = false;
    boxes_.push_back(box);
    throw UnexpectedMessageBox(
        std::string(answer ? "message box cannot answer " + std::to_string(*answer) : "unexpected message box") +
        ": [" + caption + "] " + text);
  }
  box.answer = *answer;
  boxes_.push_back(box);
  return *answer;
}

std::size_t RecordingMessageBoxes::UnexpectedCount() const {
  std::size_t n = 0;
  for (const RecordedBox& b : boxes_)
    if (!b.expected) ++n;
  return n;
}

}  // namespace qs
