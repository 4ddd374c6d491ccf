// Text from an installer on the terminal: its texts are outside data, so control characters
// (escape sequences among them) are shown as \xNN instead of reaching the terminal. Line breaks
// and tabs stay.
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

namespace qs::tool {

inline std::string Printable(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    // C1 controls are U+0080-U+009F: 0xC2 0x80-0x9F in UTF-8.
    const bool c1 = c == 0xC2 && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xE0) == 0x80;
    if ((c >= 0x20 && c != 0x7F && !c1) || c == '\n' || c == '\t') {
      out += static_cast<char>(c);
      continue;
    }
    const unsigned code = c1 ? static_cast<unsigned char>(utf8[++i]) : c;
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", code);
    out += hex;
  }
  return out;
}

// printf into a text that is written, made printable, when the report is done.
class Report {
 public:
  ~Report() {
    const std::string text = Printable(text_);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
  __attribute__((format(printf, 2, 3))) void operator()(const char* format, ...) {
    va_list args, copy;
    va_start(args, format);
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n > 0) {
      const std::size_t at = text_.size();
      text_.resize(at + static_cast<std::size_t>(n) + 1);
      std::vsnprintf(text_.data() + at, static_cast<std::size_t>(n) + 1, format, args);
      text_.resize(at + static_cast<std::size_t>(n));
    }
    va_end(args);
  }

 private:
  std::string text_;
};

}  // namespace qs::tool
