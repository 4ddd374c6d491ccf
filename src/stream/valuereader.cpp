#include "stream/valuereader.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>

#include "core/streams.h"

namespace qs {

TValueReader::TValueReader(TStream& stream) : stream_(stream) {}

TValueReader::Nest::Nest(TValueReader& r) : r_(r) {
  if (++r_.depth_ > kMaxStreamNesting) {
    --r_.depth_;
    throw EReadError(std::string(kMsgNestingTooDeep));
  }
}

void TValueReader::InvalidValue() { throw EReadError(std::string(kMsgInvalidPropertyValue)); }

bool TValueReader::Fill() {
  if (pos_ < end_) return true;
  pos_ = 0;
  end_ = stream_.Read(buf_.data(), buf_.size());
  assert(end_ <= buf_.size());  // a stream gives at most what was asked
  return end_ > 0;
}

void TValueReader::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    if (pos_ == end_ && count >= buf_.size()) {
      // A large value goes straight from the stream to its destination.
      std::size_t n = stream_.Read(out, count);
      if (n == 0) throw EReadError(std::string(kMsgStreamRead));
      out += n;
      count -= n;
      continue;
    }
    if (!Fill()) throw EReadError(std::string(kMsgStreamRead));
    std::size_t n = std::min(count, end_ - pos_);
    std::memcpy(out, buf_.data() + pos_, n);
    pos_ += n;
    assert(pos_ <= end_);  // n was cut to the unread part of the block
    out += n;
    count -= n;
  }
}

void TValueReader::ReadInto(TStream& dest, std::size_t count) {
  if (count > Available()) throw EReadError(std::string(kMsgStreamRead));
  // A stream in memory hands the bytes past the current block over in one piece.
  if (auto* memory = dynamic_cast<TMemoryStream*>(&stream_); memory && count > end_ - pos_) {
    const std::size_t n = end_ - pos_;
    dest.WriteBuffer(buf_.data() + pos_, n);
    pos_ = end_;
    const std::int64_t at = memory->Position();
    // count was checked against the block's rest and the stream past it.
    assert(at >= 0 && static_cast<std::uint64_t>(memory->Size() - at) >= count - n);
    dest.WriteBuffer(memory->Data() + at, count - n);
    memory->SetPosition(at + static_cast<std::int64_t>(count - n));
    return;
  }
  while (count > 0) {
    if (!Fill()) throw EReadError(std::string(kMsgStreamRead));
    const std::size_t n = std::min(count, end_ - pos_);
    dest.WriteBuffer(buf_.data() + pos_, n);
    pos_ += n;
    count -= n;
  }
}

std::uint8_t TValueReader::ReadByte() {
  if (!Fill()) throw EReadError(std::string(kMsgStreamRead));
  assert(pos_ < end_);  // Fill left an unread byte in the block
  return buf_[pos_++];
}

std::uint32_t TValueReader::ReadU32() {
  std::uint8_t b[4];
  Read(b, 4);
  return b[0] | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
}

std::uint64_t TValueReader::ReadU64() {
  std::uint64_t lo = ReadU32();
  std::uint64_t hi = ReadU32();
  return lo | (hi << 32);
}

std::uint64_t TValueReader::Available() {
  std::int64_t size = stream_.Size();
  std::int64_t pos = stream_.Position();
  return (end_ - pos_) + static_cast<std::uint64_t>(size > pos ? size - pos : 0);
}

std::size_t TValueReader::ReadLength(bool isSigned, std::size_t unit) {
  std::uint32_t n = ReadU32();
  if (isSigned && static_cast<std::int32_t>(n) < 0) InvalidValue();
  if (std::uint64_t{n} * unit > Available()) throw EReadError(std::string(kMsgStreamRead));
  return n;
}

void TValueReader::FixupPosition() {
  if (end_ > pos_) stream_.Seek(-static_cast<std::int64_t>(end_ - pos_), SeekOrigin::Current);
  pos_ = end_ = 0;
}

ValueTag TValueReader::NextValue() {
  if (!Fill()) throw EReadError(std::string(kMsgStreamRead));
  return static_cast<ValueTag>(buf_[pos_]);
}

ValueTag TValueReader::ReadValue() { return static_cast<ValueTag>(ReadByte()); }

bool TValueReader::EndOfList() { return NextValue() == TagNull; }

void TValueReader::ReadListBegin() {
  if (ReadValue() != TagList) InvalidValue();
}

void TValueReader::ReadListEnd() {
  if (ReadValue() != TagNull) InvalidValue();
}

std::string TValueReader::ReadStr() {
  std::string s(ReadByte(), '\0');
  Read(s.data(), s.size());
  return s;
}

std::int32_t TValueReader::ReadInteger() {
  switch (ReadValue()) {
    case TagInt8:
      return static_cast<std::int8_t>(ReadByte());
    case TagInt16: {
      std::uint8_t b[2];
      Read(b, 2);
      return static_cast<std::int16_t>(b[0] | (b[1] << 8));
    }
    case TagInt32:
      return static_cast<std::int32_t>(ReadU32());
    default:
      InvalidValue();
  }
}

std::string TValueReader::ReadString() {
  switch (ReadValue()) {
    case TagString:
      return ReadStr();
    case TagLongString: {
      std::string s(ReadLength(true, 1), '\0');
      Read(s.data(), s.size());
      return s;
    }
    default:
      InvalidValue();
  }
}

std::string TValueReader::ReadIdent() {
  switch (ReadValue() & 0x7F) {
    case TagIdent:
      return ReadStr();
    case TagFalse:
      return "False";
    case TagTrue:
      return "True";
    case TagNil:
      return "nil";
    case TagNull:
      return "Null";
    default:
      InvalidValue();
  }
}

bool TValueReader::ReadBoolean() {
  switch (ReadValue()) {
    case TagFalse:
      return false;
    case TagTrue:
      return true;
    default:
      InvalidValue();
  }
}

char TValueReader::ReadChar() {
  if (ReadValue() != TagString || ReadByte() != 1) InvalidValue();
  return static_cast<char>(ReadByte());
}

double TValueReader::ReadFloat() {
  if (NextValue() != TagExtended) return ReadInteger();
  ReadValue();
  std::uint8_t b[10];
  Read(b, 10);
  return ExtendedToDouble(b);
}

std::u16string TValueReader::ReadWideString() {
  if (ReadValue() != TagWideString) InvalidValue();
  std::u16string s(ReadLength(true, 2), u'\0');
  for (char16_t& c : s) {
    std::uint8_t b[2];
    Read(b, 2);
    c = static_cast<char16_t>(b[0] | (b[1] << 8));
  }
  return s;
}

}  // namespace qs
