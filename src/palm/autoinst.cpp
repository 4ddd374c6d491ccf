#include "palm/autoinst.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"

namespace qs {

namespace {

// Sequential reads through a small buffer. Every read says whether the bytes were there.
class ByteReader {
 public:
  explicit ByteReader(TStream& s) : s_(s) {}

  bool Byte(std::uint8_t& b) {
    if (pos_ == len_ && !Fill()) return false;
    b = buf_[pos_++];
    return true;
  }
  bool Bytes(std::uint8_t* out, std::size_t n) {
    while (n) {
      if (pos_ == len_ && !Fill()) return false;
      std::size_t k = std::min(n, len_ - pos_);
      if (out) {
        std::memcpy(out, buf_ + pos_, k);
        out += k;
      }
      pos_ += k;
      n -= k;
    }
    return true;
  }
  bool Skip(std::size_t n) { return Bytes(nullptr, n); }

 private:
  bool Fill() {
    len_ = s_.Read(buf_, sizeof buf_);
    pos_ = 0;
    return len_ != 0;
  }

  TStream& s_;
  std::uint8_t buf_[4096];
  std::size_t len_ = 0, pos_ = 0;
};

// A length byte and that many bytes, kept in a 32-byte field: at most 31 of them, then a zero.
bool ReadText(ByteReader& in, char (&field)[kUserTextSize], bool& tooLong) {
  std::uint8_t n;
  if (!in.Byte(n)) return false;
  std::uint8_t bytes[255];
  if (!in.Bytes(bytes, n)) return false;
  tooLong = n > kUserTextSize - 1;
  std::size_t kept = std::min<std::size_t>(n, kUserTextSize - 1);
  std::memcpy(field, bytes, kept);
  field[kept] = 0;
  return true;
}

// Moves past the next entry marker 0x01 0x80. The byte after a 0x01 is only compared with 0x80,
// never taken as the start of another marker. False when the data ends first.
bool SkipToMarker(ByteReader& in) {
  std::uint8_t b;
  while (in.Byte(b)) {
    if (b != 0x01) continue;
    if (!in.Byte(b)) return false;
    if (b == 0x80) return true;
  }
  return false;
}

}  // namespace

UsersFile ReadUsersFile(TStream& file) {
  UsersFile r;
  ByteReader in(file);
  std::uint8_t count;
  if (!in.Byte(count)) return r;
  r.declaredCount = count;
  if (count == 0) return r;
  if (!in.Skip(kUsersFirstEntry - 1)) {
    r.truncated = true;
    return r;
  }
  r.users.reserve(count);
  for (int i = 0; i < count; ++i) {
    UserRecord rec;
    std::uint8_t number[2];
    bool nameTooLong = false, folderTooLong = false;
    if (!in.Bytes(number, 2) || !in.Skip(2) || !ReadText(in, rec.name, nameTooLong) ||
        !ReadText(in, rec.folder, folderTooLong)) {
      r.truncated = true;
      break;
    }
    rec.number = static_cast<std::uint16_t>(number[0] | (number[1] << 8));
    if (nameTooLong) ++r.nameCut;
    if (folderTooLong)
      ++r.folderTooLong;
    else
      r.users.push_back(rec);
    // One byte that means nothing here; the last entry is complete without it.
    bool more = in.Skip(1);
    if (i + 1 < count && !(more && SkipToMarker(in))) {
      r.truncated = true;
      break;
    }
  }
  return r;
}

std::string_view OpenVendorKey(IRegistry& registry, RegKey& key) {
  key = 0;
  for (std::string_view name : {kUsRoboticsKey, kPalmComputingKey})
    if (registry.OpenKey(kHKCU, std::string(name), key) == kErrorSuccess) return name;
  key = 0;
  return {};
}

bool IsPlainFolderName(std::string_view folder) {
  if (folder.find_first_of("\\/:") != std::string_view::npos) return false;
  while (!folder.empty() && (folder.back() == '.' || folder.back() == ' ')) folder.remove_suffix(1);
  return !folder.empty();
}

TUserData::TUserData(Platform& platform) : FPlatform(platform) {
  IRegistry& reg = *FPlatform.registry;
  RegKey vendor = 0;
  FVendorKey = OpenVendorKey(reg, vendor);
  if (FVendorKey.empty()) {
    FDesktopMissing = true;
    return;
  }
  RegKey core = 0;
  if (reg.OpenKey(vendor, std::string(kDesktopCoreKey), core) == kErrorSuccess) {
    // The value's type is not looked at: its bytes are the path up to their first zero byte.
    std::uint8_t buffer[kDesktopPathSize] = {};
    std::uint32_t type = 0, size = sizeof buffer;
    long rc = reg.QueryValue(core, std::string(kDesktopPathValue), &type, buffer, &size);
    // A value that fills all 256 bytes without a zero byte does not fit either: the path would
    // have no end.
    if (rc == kErrorSuccess && std::memchr(buffer, 0, sizeof buffer)) {
      std::memcpy(FDesktopPath, buffer, sizeof buffer);
      ReadUserFile();
    }
    reg.CloseKey(core);
  }
  reg.CloseKey(vendor);
}

TUserData::~TUserData() {
  FUserRecords.clear();
  FUserCount = 0;
}

void TUserData::ReadUserFile() {
  // The backslash is always put in, even after a path that ends with one.
  std::string name = DesktopPath() + "\\" + std::string(kUsersFileName);
  try {
    // Opened for reading and writing, shared with other readers and writers, though only read.
    TFileStream file(*FPlatform.files, name, FileMode::OpenReadWrite, ShareMode::DenyNone);
    FUserRecords = ReadUsersFile(file).users;
  } catch (const Exception&) {
    FUserRecords.clear();
  }
  FUserCount = static_cast<std::uint8_t>(FUserRecords.size());
}

std::string TUserData::DesktopPath() const { return FixedField(FDesktopPath, sizeof FDesktopPath); }

const UserRecord* TUserData::Record(int position) const {
  if (position < 0 || position >= FUserCount) return nullptr;
  return &FUserRecords[static_cast<std::size_t>(position)];
}

int TUserData::UserNumber(int position) const {
  const UserRecord* r = Record(position);
  return r ? r->number : 0;
}

std::string TUserData::UserName(int position) const {
  const UserRecord* r = Record(position);
  return r ? FixedField(r->name, sizeof r->name) : std::string();
}

std::string TUserData::UserFolder(int position) const {
  const UserRecord* r = Record(position);
  return r ? FixedField(r->folder, sizeof r->folder) : std::string();
}

bool TUserData::QueueInstall(int position, const std::string& path) {
  if (FUserCount == 0) return false;
  const UserRecord* r = Record(position);
  if (!r) return false;
  std::string folder = FixedField(r->folder, sizeof r->folder);
  // A folder name that is empty or holds separators would put the file outside the user's folder.
  if (!IsPlainFolderName(folder)) return false;

  IFileSystem& files = *FPlatform.files;
  std::string installDir = DesktopPath() + "\\" + folder + "\\" + std::string(kInstallFolderName);
  files.CreateDirectory(installDir);  // only the last level; an existing folder is simply used
  if (!files.Copy(path, installDir + "\\" + FileNamePart(path), false)) return false;

  // The vendor key is looked up afresh: the registry may have changed since start-up.
  IRegistry& reg = *FPlatform.registry;
  RegKey vendor = 0;
  if (OpenVendorKey(reg, vendor).empty()) {
    FPlatform.boxes->Show(0, std::string(kMsgDesktopNotInstalled), std::string(kCaptionDesktopAccess),
                          kMbIconError | kMbOk);
    return false;
  }
  RegKey hotsync = 0;
  if (reg.OpenKey(vendor, std::string(kHotSyncManagerKey), hotsync) != kErrorSuccess) {
    reg.CloseKey(vendor);
    return false;
  }
  reg.SetDword(hotsync, std::string(kInstallFlagPrefix) + std::to_string(r->number), 1);
  reg.CloseKey(hotsync);
  reg.CloseKey(vendor);
  return true;
}

}  // namespace qs
