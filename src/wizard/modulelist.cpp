#include "wizard/modulelist.h"

#include <cstring>

#include "core/streams.h"

namespace qs {

namespace {

void PutI32(std::uint8_t* p, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t GetI32(const std::uint8_t* p) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

}  // namespace

TModuleRec EmptyModuleRec() {
  TModuleRec rec;
  std::memset(&rec, 0, sizeof rec);
  return rec;
}

bool SetModuleText(char (&field)[kModuleTextSize], std::string_view text) {
  if (text.size() > kModuleTextSize || text.find('\0') != std::string_view::npos) return false;
  std::memset(field, 0, kModuleTextSize);
  std::memcpy(field, text.data(), text.size());
  return true;
}

std::string ModuleText(const char (&field)[kModuleTextSize]) {
  const void* zero = std::memchr(field, 0, kModuleTextSize);
  return std::string(field, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : kModuleTextSize);
}

std::array<std::uint8_t, kModuleRecSize> EncodeModuleRec(const TModuleRec& rec) {
  std::array<std::uint8_t, kModuleRecSize> out{};
  std::memcpy(out.data() + offsetof(TModuleRec, SourcePath), rec.SourcePath, kModuleTextSize);
  PutI32(out.data() + offsetof(TModuleRec, MakeShortcut), rec.MakeShortcut);
  std::memcpy(out.data() + offsetof(TModuleRec, Title), rec.Title, kModuleTextSize);
  std::memcpy(out.data() + offsetof(TModuleRec, ProgramGroup), rec.ProgramGroup, kModuleTextSize);
  PutI32(out.data() + offsetof(TModuleRec, Action), rec.Action);
  std::memcpy(out.data() + offsetof(TModuleRec, Group), rec.Group, kModuleTextSize);
  return out;
}

TModuleRec DecodeModuleRec(const std::uint8_t* bytes) {
  TModuleRec rec;
  std::memcpy(rec.SourcePath, bytes + offsetof(TModuleRec, SourcePath), kModuleTextSize);
  rec.MakeShortcut = GetI32(bytes + offsetof(TModuleRec, MakeShortcut));
  std::memcpy(rec.Title, bytes + offsetof(TModuleRec, Title), kModuleTextSize);
  std::memcpy(rec.ProgramGroup, bytes + offsetof(TModuleRec, ProgramGroup), kModuleTextSize);
  rec.Action = GetI32(bytes + offsetof(TModuleRec, Action));
  std::memcpy(rec.Group, bytes + offsetof(TModuleRec, Group), kModuleTextSize);
  return rec;
}

void WriteModuleList(TStream& out, const std::vector<TModuleRec>& records) {
  std::array<std::uint8_t, kModuleListHeaderSize> header{};
  header[0] = kModuleListFormat;
  out.WriteBuffer(header.data(), header.size());
  for (const TModuleRec& rec : records) {
    auto bytes = EncodeModuleRec(rec);
    out.WriteBuffer(bytes.data(), bytes.size());
  }
}

std::vector<std::uint8_t> ModuleListBytes(const std::vector<TModuleRec>& records) {
  TMemoryStream out;
  WriteModuleList(out, records);
  return out.Bytes();
}

ModuleListContents ParseModuleList(const std::uint8_t* data, std::size_t size) {
  ModuleListContents result;
  if (size < kModuleListHeaderSize || data[0] != kModuleListFormat) return result;
  result.accepted = true;
  std::size_t pos = kModuleListHeaderSize;
  // Every whole record is taken; the count comes from the size actually present, never from
  // anything stored in the file.
  result.records.reserve((size - pos) / kModuleRecSize);
  for (; size - pos >= kModuleRecSize; pos += kModuleRecSize) result.records.push_back(DecodeModuleRec(data + pos));
  result.trailingBytes = size - pos;
  return result;
}

}  // namespace qs
