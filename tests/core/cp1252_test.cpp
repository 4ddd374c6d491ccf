#include "core/cp1252.h"

#include <gtest/gtest.h>

namespace qs {
namespace {

constexpr std::size_t kRefused = std::string::npos;

TEST(Cp1252, ConversionsBothWays) {
  // UTF-8 in; the code page's bytes or where the strict conversion stops. UTF-16 goes the same
  // way, except that it keeps the five unassigned positions and writes "?" for what is missing.
  struct Case {
    std::string utf8;
    std::string cp1252;               // for a refused text: what the UTF-16 conversion gives instead
    std::size_t stop = kRefused - 1;  // kRefused - 1: converted; otherwise the offset it stops at
  };
  const Case cases[] = {
      {"plain ASCII", "plain ASCII"},
      {"cr\xC3\xA9"
       "er",
       "cr\xE9"
       "er"},
      {"\xC2\xA9 2001", "\xA9 2001"},
      {"\xE2\x82\xAC", "\x80"},                                  // euro sign
      {"\xE2\x80\xA6\xE2\x80\x9C\xE2\x80\x9D", "\x85\x93\x94"},  // ellipsis and quotes
      {"\xC5\xB8\xC3\xBF", "\x9F\xFF"},                          // Y with diaeresis, both cases
      {"\xC2\xA0", "\xA0"},
      {"a\xC4\x80", "a?", 1},         // U+0100: not in the code page
      {"\xC2\x81", "\x81", 0},        // a control standing in for an unassigned byte
      {"\xC2\x80", "?", 0},           // any other C1 control
      {"\xF0\x9F\x98\x80", "??", 0},  // outside the BMP: two surrogates in UTF-16
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::u16string utf16;
    for (std::size_t i = 0; i < c.utf8.size();) {
      char32_t ch = 0;
      std::size_t len = DecodeUtf8(c.utf8, i, ch);
      ASSERT_NE(len, 0u);
      if (ch >= 0x10000) {
        utf16 += static_cast<char16_t>(0xD800 + ((ch - 0x10000) >> 10));
        utf16 += static_cast<char16_t>(0xDC00 + (ch & 0x3FF));
      } else {
        utf16 += static_cast<char16_t>(ch);
      }
      i += len;
    }
    EXPECT_EQ(Utf16ToCp1252(utf16), c.cp1252);
    std::size_t stop = kRefused;
    auto strict = Utf8ToCp1252(c.utf8, &stop);
    if (c.stop == kRefused - 1) {
      ASSERT_TRUE(strict);
      EXPECT_EQ(*strict, c.cp1252);
      EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
      EXPECT_EQ(Cp1252ToUtf16(c.cp1252), utf16);
    } else {
      EXPECT_FALSE(strict);
      EXPECT_EQ(stop, c.stop);
    }
  }
}

TEST(Cp1252, MalformedUtf8StopsTheStrictConversion) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"\xC3", 0},              // cut short
      {"ab\xC0\xAF", 2},        // overlong
      {"\xED\xA0\x80", 0},      // surrogate
      {"\xF4\x90\x80\x80", 0},  // beyond U+10FFFF
      {"\xFF", 0},
      {"a\xC3(", 1},
  };
  for (const auto& [utf8, at] : cases) {
    std::size_t stop = kRefused;
    EXPECT_FALSE(Utf8ToCp1252(utf8, &stop)) << utf8;
    EXPECT_EQ(stop, at) << utf8;
  }
}

TEST(Cp1252, EveryByteMakesTheRoundTrip) {
  // Every character of the code page goes to UTF-8 and UTF-16 and back unchanged. The five
  // unassigned positions come out as control characters: UTF-16 takes them back, strict UTF-8
  // does not.
  for (int b = 1; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    EXPECT_EQ(Utf16ToCp1252(Cp1252ToUtf16(one)), one) << b;
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), unassigned ? std::nullopt : std::optional<std::string>(one)) << b;
    EXPECT_EQ(Cp1252Byte(Cp1252Char(static_cast<unsigned char>(b)), Cp1252Unassigned::Keep), b) << b;
  }
}

}  // namespace
}  // namespace qs
