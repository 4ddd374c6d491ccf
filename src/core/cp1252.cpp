#include "core/cp1252.h"

namespace qs {

namespace {
// Bytes 0x80 to 0x9F; the five unassigned ones hold the control character of their own number.
// clang-format off
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};
// clang-format on
}  // namespace

char32_t Cp1252Char(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte; }

int Cp1252Byte(char32_t c, Cp1252Unassigned unassigned) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  if (c <= 0x9F && unassigned == Cp1252Unassigned::Refuse) return -1;
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) AppendUtf8(out, Cp1252Char(static_cast<unsigned char>(ch)));
  return out;
}

std::u16string Cp1252ToUtf16(std::string_view cp1252) {
  std::u16string out;
  out.reserve(cp1252.size());
  for (char ch : cp1252) out.push_back(static_cast<char16_t>(Cp1252Char(static_cast<unsigned char>(ch))));
  return out;
}

std::string Utf16ToCp1252(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (char16_t c : utf16) {
    int b = Cp1252Byte(c, Cp1252Unassigned::Keep);
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8, std::size_t* stop) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    std::size_t len = DecodeUtf8(utf8, i, c);
    int b = len == 0 ? -1 : Cp1252Byte(c, Cp1252Unassigned::Refuse);
    if (b < 0) {
      if (stop) *stop = i;
      return std::nullopt;
    }
    out.push_back(static_cast<char>(b));
    i += len;
  }
  return out;
}

std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& c) {
  auto b = static_cast<unsigned char>(s[i]);
  std::size_t len;
  if (b < 0x80) {
    c = b, len = 1;
  } else if ((b & 0xE0) == 0xC0) {
    c = b & 0x1F, len = 2;
  } else if ((b & 0xF0) == 0xE0) {
    c = b & 0x0F, len = 3;
  } else if ((b & 0xF8) == 0xF0) {
    c = b & 0x07, len = 4;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    auto cb = static_cast<unsigned char>(s[i + k]);
    if ((cb & 0xC0) != 0x80) return 0;
    c = (c << 6) | (cb & 0x3F);
  }
  // Overlong forms and surrogates are not UTF-8.
  static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kMin[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace qs
