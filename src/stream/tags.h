// The value tags of a component stream, the reader's messages, and the conversions between the
// stream's number formats and ours.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace qs {

// One tag byte opens every value.
enum ValueTag : std::uint8_t {
  TagNull = 0,         // ends a list, a collection, an item, a property list or a child list
  TagList = 1,         // values until TagNull
  TagInt8 = 2,         // signed
  TagInt16 = 3,        // signed
  TagInt32 = 4,        // signed
  TagExtended = 5,     // 80-bit extended float
  TagString = 6,       // counted string
  TagIdent = 7,        // counted string
  TagFalse = 8,        //
  TagTrue = 9,         //
  TagBinary = 10,      // 32-bit unsigned length, then the bytes
  TagSet = 11,         // counted names until an empty one
  TagLongString = 12,  // 32-bit length, then the text
  TagNil = 13,         //
  TagCollection = 14,  // items until TagNull
  TagSingle = 15,      // 4-byte IEEE single
  TagCurrency = 16,    // 8-byte integer, value x 10,000
  TagDate = 17,        // 8-byte IEEE double
  TagWideString = 18,  // 32-bit count, then UTF-16 code units
};
inline constexpr std::uint8_t kLastTag = TagWideString;

inline constexpr char kStreamSignature[4] = {'T', 'P', 'F', '0'};

// Prefix byte of a component record: the upper four bits set, the lower four are flags.
inline constexpr std::uint8_t kPrefixMask = 0xF0;
inline constexpr std::uint8_t kFlagExisting = 1;
inline constexpr std::uint8_t kFlagChildPos = 2;

// Components, collections and lists may nest this deep; deeper input is refused before it can
// exhaust the stack. Real forms nest a handful of levels.
inline constexpr int kMaxStreamNesting = 256;

// The reader's messages.
inline constexpr std::string_view kMsgInvalidStream = "invalid stream format";
inline constexpr std::string_view kMsgStreamRead = "stream read error";
inline constexpr std::string_view kMsgClassNotFound = "class %s not found";
inline constexpr std::string_view kMsgInvalidName = "'%s' is not a valid component name";
inline constexpr std::string_view kMsgDuplicateName = "a component named %s already exists";
inline constexpr std::string_view kMsgAncestorNotFound = "ancestor for '%s' not found";
inline constexpr std::string_view kMsgUnknownProperty = "property does not exist";
inline constexpr std::string_view kMsgInvalidPropertyPath = "invalid property path";
inline constexpr std::string_view kMsgReadOnlyProperty = "property is read-only";
inline constexpr std::string_view kMsgInvalidPropertyValue = "invalid property value";
inline constexpr std::string_view kMsgPropertyError = "error reading %s%s%s: %s";
inline constexpr std::string_view kMsgNestingTooDeep = "stream nested deeper than 256 levels";

// A class name that neither the root's fields nor the class registry know.
class EClassNotFound : public EReadError {
 public:
  using EReadError::EReadError;
};

// The 10 bytes of an 80-bit extended float (64-bit mantissa with explicit integer bit, then the
// sign and 15-bit exponent), rounded to the nearest double; out of range gives an infinity.
double ExtendedToDouble(const std::uint8_t bytes[10]);
// Every double is exactly representable as an extended.
void DoubleToExtended(double value, std::uint8_t bytes[10]);
// UTF-16 code units to single-byte code page 1252 text; characters it lacks become "?"
// (core/cp1252.h).
std::string WideToAnsi(std::u16string_view text);
// "error reading X.P: M" for a failure inside a property value.
std::string PropertyErrorText(std::string_view object, std::string_view property, std::string_view message);

}  // namespace qs
