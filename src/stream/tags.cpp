#include "stream/tags.h"

#include <cmath>
#include <cstring>

namespace qs {

double ExtendedToDouble(const std::uint8_t bytes[10]) {
  std::uint64_t mantissa = 0;
  for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | bytes[i];
  const unsigned se = bytes[8] | (static_cast<unsigned>(bytes[9]) << 8);
  const bool negative = (se & 0x8000) != 0;
  const int exponent = static_cast<int>(se & 0x7FFF);
  double r;
  if (exponent == 0x7FFF) {
    // Infinity when the fraction below the integer bit is zero, otherwise not a number.
    r = (mantissa << 1) == 0 ? HUGE_VAL : std::nan("");
  } else {
    // value = mantissa * 2^(exponent - 16383 - 63); denormals use the exponent of 1.
    const int e = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    r = std::ldexp(static_cast<double>(mantissa), e);
  }
  return negative ? -r : r;
}

void DoubleToExtended(double value, std::uint8_t bytes[10]) {
  std::uint64_t mantissa = 0;
  unsigned se = std::signbit(value) ? 0x8000 : 0;
  if (std::isnan(value)) {
    mantissa = 0xC000000000000000ull;
    se |= 0x7FFF;
  } else if (std::isinf(value)) {
    mantissa = 0x8000000000000000ull;
    se |= 0x7FFF;
  } else if (value != 0) {
    int e = 0;
    const double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
    mantissa = static_cast<std::uint64_t>(std::ldexp(m, 64));
    se |= static_cast<unsigned>(e - 1 + 16383);
  }
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(mantissa >> (8 * i));
  bytes[8] = static_cast<std::uint8_t>(se);
  bytes[9] = static_cast<std::uint8_t>(se >> 8);
}

namespace {
// Code page 1252 bytes 0x80 to 0x9F; the five bytes it leaves undefined map to the same code.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

std::string WideToAnsi(std::u16string_view text) {
  std::string r;
  r.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      r.push_back(static_cast<char>(c));
      continue;
    }
    char out = '?';
    for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] == c) out = static_cast<char>(0x80 + i);
    r.push_back(out);
  }
  return r;
}

std::u16string AnsiToWide(std::string_view text) {
  std::u16string r;
  r.reserve(text.size());
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    r.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  }
  return r;
}

std::string PropertyErrorText(std::string_view object, std::string_view property, std::string_view message) {
  // The pattern is kMsgPropertyError: object name, ".", property name, message.
  std::string r = "error reading ";
  r.append(object).append(".").append(property).append(": ").append(message);
  return r;
}

}  // namespace qs
