#include "core/streams.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/errors.h"

namespace qs {

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, SeekOrigin::Current);
  std::int64_t end = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return end;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (count <= 0) return 0;
  // A memory stream takes the bytes in one allocation: an empty one gets room for as many as the
  // source really holds (never more, whatever count says); one that already holds bytes grows at
  // least twofold, so that a run of appends stays linear. Bytes in memory are copied directly.
  const std::int64_t available = std::max<std::int64_t>(source.Size() - source.Position(), 0);
  if (auto* dest = dynamic_cast<TMemoryStream*>(this)) {
    const auto end = static_cast<std::size_t>(dest->Position() + std::min(count, available));
    const std::size_t capacity = dest->Bytes().capacity();
    if (end > capacity) dest->Reserve(dest->Bytes().empty() ? end : std::max(end, 2 * capacity));
  }
  if (auto* from = dynamic_cast<TMemoryStream*>(&source); from && from != this && available >= count) {
    const std::int64_t at = from->Position();
    WriteBuffer(from->Data() + at, static_cast<std::size_t>(count));
    from->SetPosition(at + count);
    return count;
  }
  std::int64_t done = 0;
  std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min<std::int64_t>(count, 61440)) + 1);
  while (done < count) {
    std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(count - done, 61440));
    source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    done += static_cast<std::int64_t>(n);
  }
  return done;
}

std::uint8_t TStream::ReadU8() {
  std::uint8_t v;
  ReadBuffer(&v, 1);
  return v;
}

std::int32_t TStream::ReadI32() {
  std::uint8_t b[4];
  ReadBuffer(b, 4);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                   (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

void TStream::WriteU8(std::uint8_t v) { WriteBuffer(&v, 1); }

void TStream::WriteI32(std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                       static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
  WriteBuffer(b, 4);
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (pos_ >= data_.size()) return 0;
  std::size_t n = std::min(count, data_.size() - pos_);
  std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  assert(pos_ <= data_.size());  // n was cut to what lies past the position
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  if (pos_ > data_.size()) data_.resize(pos_);  // a gap before the position is filled with zeros
  assert(pos_ <= data_.size());                 // the gap is filled: the position is inside the data or at its end
  const std::size_t over = std::min(count, data_.size() - pos_);
  if (over) std::memcpy(data_.data() + pos_, bytes, over);
  // The rest goes on at the end as it is, without zeroing the room first.
  if (over < count) data_.insert(data_.end(), bytes + over, bytes + count);
  pos_ += count;
  assert(pos_ <= data_.size());  // a write ends inside the data or at its new end
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = origin == SeekOrigin::Begin     ? 0
                      : origin == SeekOrigin::Current ? static_cast<std::int64_t>(pos_)
                                                      : static_cast<std::int64_t>(data_.size());
  std::int64_t p = base + offset;
  if (p < 0) throw EReadError();
  pos_ = static_cast<std::size_t>(p);  // past the end is allowed; a write there fills the gap with zeros
  return p;
}

TFileStream::TFileStream(IFileSystem& fs, const std::string& path, FileMode mode, ShareMode share) {
  if (mode == FileMode::Create) {
    file_ = fs.Create(path);
    if (!file_) throw EFCreateError(path);
  } else {
    file_ = fs.Open(path, mode == FileMode::OpenReadWrite, share);
    if (!file_) throw EFOpenError(path);
  }
}

TFileStream::~TFileStream() = default;

std::size_t TFileStream::Read(void* buffer, std::size_t count) { return file_->Read(buffer, count); }
std::size_t TFileStream::Write(const void* buffer, std::size_t count) { return file_->Write(buffer, count); }
std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t r = file_->Seek(offset, static_cast<int>(origin));
  if (r < 0) throw EReadError();
  return r;
}

}  // namespace qs
