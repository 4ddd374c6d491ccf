// The value reader: the tags of a component stream and their payloads, read without knowing any
// class (what the component reader and the text dump stand on).
//
// Input is taken in blocks of 4,096 bytes; FixupPosition gives the stream back what was not
// consumed. Every length and count in the data is checked against the bytes actually present
// before anything is allocated for it, and nesting is limited to kMaxStreamNesting.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "stream/tags.h"

namespace qs {

class TStream;

// Reads the values of a stream without knowing any class: the tags and their payloads.
class TValueReader {
 public:
  explicit TValueReader(TStream& stream);
  TValueReader(const TValueReader&) = delete;
  TValueReader& operator=(const TValueReader&) = delete;
  virtual ~TValueReader() = default;

  // The tag of the next value, not consumed.
  ValueTag NextValue();
  // Consumes and gives the next tag.
  ValueTag ReadValue();
  // True when the next byte is 0 (the end of a list, a collection or a record list); not consumed.
  bool EndOfList();
  void ReadListBegin();  // tag 1, else "invalid property value"
  void ReadListEnd();    // a 0 byte, else "invalid property value"

  std::int32_t ReadInteger();       // tags 2, 3, 4
  std::string ReadString();         // tags 6, 12
  std::string ReadIdent();          // tag 7, or 8, 9, 13, 0 as "False", "True", "nil", "Null"; top bit ignored
  bool ReadBoolean();               // tags 8, 9
  char ReadChar();                  // tag 6 with exactly one byte
  double ReadFloat();               // tag 5, or an integer tag
  std::u16string ReadWideString();  // tag 18

  // Raw payload reads.
  std::string ReadStr();  // a counted string
  void Read(void* buffer, std::size_t count);
  // Reads count bytes into another stream at its position ("stream read error", with nothing
  // written, when fewer remain).
  void ReadInto(TStream& dest, std::size_t count);
  std::uint8_t ReadByte();
  std::uint32_t ReadU32();
  std::uint64_t ReadU64();
  // The length or count field of tags 10, 12 and 18 (unit bytes per element), checked against
  // the bytes that remain: "invalid property value" when negative, "stream read error" when the
  // data cannot hold it.
  std::size_t ReadLength(bool isSigned, std::size_t unit);

  // Bytes that remain: the unread part of the current block and the rest of the stream.
  std::uint64_t Available();
  // Gives the stream back the unread part of the current block (safe to call more than once).
  void FixupPosition();

 protected:
  // Limits the depth of nested records and values; raises kMsgNestingTooDeep.
  class Nest {
   public:
    explicit Nest(TValueReader& r);
    ~Nest() { --r_.depth_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    TValueReader& r_;
  };
  [[noreturn]] static void InvalidValue();

 private:
  bool Fill();
  TStream& stream_;
  std::array<std::uint8_t, 4096> buf_{};
  std::size_t pos_ = 0, end_ = 0;
  int depth_ = 0;
};

}  // namespace qs
