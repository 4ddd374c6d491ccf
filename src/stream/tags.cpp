#include "stream/tags.h"

#include <cmath>
#include <cstring>

#include "core/cp1252.h"

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

std::string WideToAnsi(std::u16string_view text) { return Utf16ToCp1252(text); }

std::string PropertyErrorText(std::string_view object, std::string_view property, std::string_view message) {
  // The pattern is kMsgPropertyError: object name, ".", property name, message.
  std::string r = "error reading ";
  r.append(object).append(".").append(property).append(": ").append(message);
  return r;
}

}  // namespace qs
