#include "platform/portable/messageboxes.h"

#include <cstdio>

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

namespace {

std::string Describe(const RecordedBox& b) {
  char flags[16];
  std::snprintf(flags, sizeof flags, "0x%X", b.flags);
  return "text \"" + b.text + "\", caption \"" + b.caption + "\", flags " + flags;
}

std::string Describe(const RecordingMessageBoxes::Expect& e) {
  std::string s;
  if (e.text) s += "text \"" + *e.text + "\" ";
  if (e.caption) s += "caption \"" + *e.caption + "\" ";
  if (e.flags) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%X", *e.flags);
    s += std::string("flags ") + flags + " ";
  }
  return s.empty() ? "any box" : s;
}

}  // namespace

int RecordingMessageBoxes::Show(std::uintptr_t owner, const std::string& text, const std::string& caption,
                                unsigned flags) {
  boxes_.push_back(RecordedBox{owner, text, caption, flags, 0, true});
  const RecordedBox box = boxes_.back();
  Expect e;
  if (!expected_.empty()) {
    e = std::move(expected_.front());
    expected_.pop_front();
    const bool match = (!e.text || *e.text == text) && (!e.caption || *e.caption == caption) &&
                       (!e.flags || *e.flags == flags) && (!e.owner || *e.owner == owner);
    if (!match) return Unexpected("message box " + Describe(box) + " does not match the expected " + Describe(e));
  } else if (default_) {
    e.answer = *default_;
  } else {
    return Unexpected("unexpected message box: " + Describe(box));
  }
  if (!ButtonFits(flags, e.answer))
    return Unexpected("message box cannot answer " + std::to_string(e.answer) + ": " + Describe(box));
  boxes_.back().answer = e.answer;
  if (e.then) e.then();
  return e.answer;
}

int RecordingMessageBoxes::Unexpected(const std::string& message) {
  RecordedBox& box = boxes_.back();
  box.expected = false;
  box.answer = (box.flags & 0xF) == kMbOk ? kIdOk : kIdNo;
  const int answer = box.answer;
  if (!onUnexpected) throw UnexpectedMessageBox(message);
  onUnexpected(message);
  return answer;
}

std::size_t RecordingMessageBoxes::UnexpectedCount() const {
  std::size_t n = 0;
  for (const RecordedBox& b : boxes_)
    if (!b.expected) ++n;
  return n;
}

std::string RecordingMessageBoxes::Unmet() const {
  std::string out;
  for (const Expect& e : expected_) out += "expected box never shown: " + Describe(e) + "\n";
  return out;
}

}  // namespace qs
