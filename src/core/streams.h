// Byte streams: the abstract stream, an in-memory stream and a file stream over the platform's
// file system. Read/Write move as many bytes as they can and say how many; ReadBuffer/WriteBuffer
// demand all of them and raise the runtime's read and write errors otherwise.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/files.h"

namespace qs {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Gives the new position; seeking before the start raises EReadError.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(std::int64_t pos) { Seek(pos, SeekOrigin::Begin); }
  virtual std::int64_t Size();

  void ReadBuffer(void* buffer, std::size_t count);         // all or EReadError
  void WriteBuffer(const void* buffer, std::size_t count);  // all or EWriteError
  // Copies count bytes from source's position; count 0 copies the whole source from its start.
  // Gives the number copied. Raises EReadError when the source ends first.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);

  std::uint8_t ReadU8();
  std::int32_t ReadI32();  // little-endian
  void WriteU8(std::uint8_t v);
  void WriteI32(std::int32_t v);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  void Clear() {
    data_.clear();
    pos_ = 0;
  }
  void SetSize(std::size_t n) {
    data_.resize(n);
    if (pos_ > n) pos_ = n;
  }
  void Reserve(std::size_t n) { data_.reserve(n); }
  const std::uint8_t* Data() const { return data_.data(); }
  std::uint8_t* Data() { return data_.data(); }
  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  std::vector<std::uint8_t>& Bytes() { return data_; }
  std::string Text() const { return std::string(data_.begin(), data_.end()); }

 private:
  std::vector<std::uint8_t> data_;
  std::size_t pos_ = 0;
};

// Modes of a file stream, as the installer opens files.
enum class FileMode {
  Create,         // create or replace, read/write, deny write (EFCreateError on failure)
  OpenRead,       // existing file, read, sharing as given
  OpenReadWrite,  // existing file, read and write, sharing as given
};

class TFileStream : public TStream {
 public:
  // Raises EFOpenError / EFCreateError with the path.
  TFileStream(IFileSystem& fs, const std::string& path, FileMode mode, ShareMode share = ShareMode::DenyWrite);
  ~TFileStream() override;
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  IFile& File() { return *file_; }

 private:
  std::unique_ptr<IFile> file_;
};

}  // namespace qs
