// Code page 1252, the installer's one character set, against Unicode.
//
// Bytes 0x00-0x7F and 0xA0-0xFF are the code points of the same number. Bytes 0x80-0x9F hold 27
// characters from elsewhere (the euro sign, typographic quotes, ...) and five positions that hold
// no character: 0x81, 0x8D, 0x8F, 0x90 and 0x9D. Windows reads those five as the control
// characters of the same number and, converting back, gives them their bytes again; text that
// people write (a manifest) has no business holding any of U+0080 to U+009F.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qs {

// What becomes of the control characters U+0081, U+008D, U+008F, U+0090 and U+009D on the way to
// code page 1252: their bytes (as Windows converts), or no byte at all.
enum class Cp1252Unassigned { Keep, Refuse };

// The character of one byte; the five unassigned bytes give the control character of their number.
char32_t Cp1252Char(unsigned char byte);
// The byte of one character, or -1 when the code page lacks it. U+0080 to U+009F never have
// one, except the five above under Cp1252Unassigned::Keep.
int Cp1252Byte(char32_t c, Cp1252Unassigned unassigned);

std::string Cp1252ToUtf8(std::string_view cp1252);
std::u16string Cp1252ToUtf16(std::string_view cp1252);
// UTF-16 code units to code page 1252 as Windows converts them: a unit the code page lacks (each
// half of a surrogate pair included) becomes "?", the five unassigned positions are kept.
std::string Utf16ToCp1252(std::u16string_view utf16);
// Strict UTF-8 to code page 1252, for text people write: malformed UTF-8 or a character the code
// page lacks (U+0080 to U+009F included) gives nothing, with the byte offset where it stands in
// *stop when stop is given.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8, std::size_t* stop = nullptr);

// Decodes the UTF-8 character at byte i; gives its length, 0 when the bytes there are not UTF-8
// (cut short, overlong, a surrogate or beyond U+10FFFF).
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& c);
// Appends the UTF-8 form of one code point.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace qs
