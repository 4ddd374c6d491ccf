#include "platform/portable/shelllinks_portable.h"

#include "core/streams.h"
#include "core/text.h"

namespace qs {

namespace {

// Link flags of the header.
constexpr std::uint32_t kHasLinkTargetIdList = 0x1, kHasLinkInfo = 0x2, kHasRelativePath = 0x8, kHasWorkingDir = 0x10,
                        kHasArguments = 0x20, kIsUnicode = 0x80;
constexpr std::uint32_t kHeaderSize = 0x4C;
// CLSID_ShellLink {00021401-0000-0000-C000-000000000046} as stored.
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// The "My Computer" root item: {20D04FE0-3AEA-1069-A2D8-08002B30309D} as stored.
constexpr std::uint8_t kMyComputer[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                          0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kSwShowNormal = 1;

// Longest texts the link object takes (MAX_PATH less the terminator; the shell's argument limit).
constexpr std::size_t kMaxPath = 259;
constexpr std::size_t kMaxArguments = 1023;

constexpr HResult kPathNotFound = static_cast<HResult>(0x80070003u);
constexpr HResult kInvalidName = static_cast<HResult>(0x8007007Bu);
constexpr HResult kWriteFault = static_cast<HResult>(0x8007001Du);

class Bytes {
 public:
  void U8(std::uint8_t v) { b_.push_back(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void U64(std::uint64_t v) {
    U32(static_cast<std::uint32_t>(v));
    U32(static_cast<std::uint32_t>(v >> 32));
  }
  void Raw(const void* p, std::size_t n) {
    auto* q = static_cast<const std::uint8_t*>(p);
    b_.insert(b_.end(), q, q + n);
  }
  void Ansi(const std::string& s) {  // zero-terminated
    Raw(s.data(), s.size());
    U8(0);
  }
  void Append(const Bytes& o) { b_.insert(b_.end(), o.b_.begin(), o.b_.end()); }
  std::size_t Size() const { return b_.size(); }
  std::vector<std::uint8_t>& Vec() { return b_; }

 private:
  std::vector<std::uint8_t> b_;
};

// A FILETIME as a FAT date (low word) and time (high word); 0 before 1980.
std::uint32_t FatDateTime(std::uint64_t filetime) {
  std::int64_t seconds = static_cast<std::int64_t>(filetime / 10000000u);
  std::int64_t days = seconds / 86400 - 134774;  // days since 1970-01-01
  std::int64_t secs = seconds % 86400;
  // Civil date from a day count (proleptic Gregorian).
  std::int64_t z = days + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  std::int64_t y = yoe + era * 400 + (m <= 2);
  if (y < 1980 || y > 2107) return 0;
  auto date = static_cast<std::uint32_t>(((y - 1980) << 9) | (m << 5) | d);
  auto time = static_cast<std::uint32_t>(((secs / 3600) << 11) | (((secs / 60) % 60) << 5) | ((secs % 60) / 2));
  return date | (time << 16);
}

bool IsDrivePath(const std::string& p) {
  return p.size() >= 3 && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z')) && p[1] == ':' && p[2] == '\\';
}

std::vector<std::string> Segments(const std::string& rest) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : rest) {
    if (c == '\\') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// The target's item list: My Computer, the drive, then one file-system item per path level.
Bytes ItemList(const std::string& path, const ShellLinkTarget& target) {
  Bytes items;
  items.U16(0x14);
  items.U8(0x1F);  // root folder item
  items.U8(0x50);  // sort index: My Computer
  items.Raw(kMyComputer, sizeof kMyComputer);

  items.U16(0x19);
  items.U8(0x2F);  // volume item with a drive letter
  std::uint8_t drive[22] = {};
  drive[0] = static_cast<std::uint8_t>(UpperAZ(path.substr(0, 1))[0]);
  drive[1] = ':';
  drive[2] = '\\';
  items.Raw(drive, sizeof drive);

  std::vector<std::string> levels = Segments(path.substr(3));
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const bool last = i + 1 == levels.size();
    const bool directory = !last || (target.exists && (target.attributes & kAttrDirectory));
    std::size_t nameBytes = levels[i].size() + 1;
    nameBytes += nameBytes & 1;  // the item stays 16-bit aligned
    items.U16(static_cast<std::uint16_t>(2 + 1 + 1 + 4 + 4 + 2 + nameBytes));
    items.U8(directory ? 0x31 : 0x32);
    items.U8(0);
    items.U32(last && target.exists ? target.size : 0);
    items.U32(last && target.exists ? FatDateTime(target.writeTime) : 0);
    items.U16(static_cast<std::uint16_t>(directory ? kAttrDirectory : (last && target.exists ? target.attributes : 0)));
    items.Ansi(levels[i]);
    if (levels[i].size() % 2 == 0) items.U8(0);
  }
  items.U16(0);  // terminal item
  return items;
}

// Link information: the volume (a fixed drive, no label) and the local base path.
Bytes LinkInfo(const std::string& path) {
  constexpr std::uint32_t header = 0x1C;
  constexpr std::uint32_t volumeSize = 0x11;
  const auto basePathOffset = header + volumeSize;
  const auto suffixOffset = basePathOffset + static_cast<std::uint32_t>(path.size()) + 1;
  Bytes info;
  info.U32(suffixOffset + 1);  // size
  info.U32(header);
  info.U32(0x1);  // VolumeIDAndLocalBasePath
  info.U32(header);
  info.U32(basePathOffset);
  info.U32(0);  // no network part
  info.U32(suffixOffset);
  info.U32(volumeSize);
  info.U32(kDriveFixed);
  info.U32(0);     // serial number
  info.U32(0x10);  // label offset
  info.U8(0);      // empty label
  info.Ansi(path);
  info.U8(0);  // empty common path suffix
  return info;
}

void StringData(Bytes& out, const std::string& text) {
  std::u16string w = Cp1252ToUtf16(text);
  out.U16(static_cast<std::uint16_t>(w.size()));
  for (char16_t c : w) out.U16(static_cast<std::uint16_t>(c));
}

// A name the system accepts as a file name (the last level of the link's path).
bool ValidFileName(const std::string& name) {
  if (name.empty()) return false;
  for (unsigned char c : name)
    if (c < 32 || c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '|' || c == '?' || c == '*')
      return false;
  return true;
}

class PortableShellLink : public ILinkObject {
 public:
  PortableShellLink(IFileSystem& files, PortableShellLinks& owner) : files_(files), owner_(owner) {}
  ~PortableShellLink() override { ++owner_.released; }

  HResult SetArguments(const std::string& arguments) override {
    if (arguments.size() > kMaxArguments) return kEInvalidArg;
    arguments_ = arguments;
    return kSOk;
  }
  HResult SetPath(const std::string& path) override {
    if (path.size() > kMaxPath) return kEInvalidArg;
    path_ = path;
    return kSOk;
  }
  HResult SetWorkingDirectory(const std::string& directory) override {
    if (directory.size() > kMaxPath) return kEInvalidArg;
    workingDirectory_ = directory;
    return kSOk;
  }
  HResult Save(const std::string& path, bool /*remember*/) override {
    auto cut = path.find_last_of('\\');
    if (!ValidFileName(cut == std::string::npos ? path : path.substr(cut + 1))) return kInvalidName;
    ShellLinkTarget target;
    if (!path_.empty()) {
      std::uint32_t attributes = files_.Attributes(path_);
      if (attributes != kInvalidAttributes) {
        target.exists = true;
        target.attributes = attributes;
        if (!(attributes & kAttrDirectory)) {
          if (auto f = files_.Open(path_, false, ShareMode::DenyNone)) {
            target.writeTime = f->ModificationTime();
            std::int64_t size = f->Size();
            target.size = size > 0 && size <= 0xFFFFFFFFll ? static_cast<std::uint32_t>(size) : 0;
          }
        }
      }
    }
    std::vector<std::uint8_t> bytes = BuildShellLinkFile(path_, arguments_, workingDirectory_, target);
    auto file = files_.Create(path);
    if (!file) return kPathNotFound;
    if (file->Write(bytes.data(), bytes.size()) != bytes.size()) {
      file.reset();
      files_.Delete(path);
      return kWriteFault;
    }
    return kSOk;
  }

 private:
  IFileSystem& files_;
  PortableShellLinks& owner_;
  std::string arguments_, path_, workingDirectory_;
};

}  // namespace

std::u16string Cp1252ToUtf16(const std::string& text) {
  // 0x80-0x9F of code page 1252; the five unassigned bytes map to the same code point.
  static constexpr char16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string out;
  out.reserve(text.size());
  for (unsigned char c : text) out.push_back(c >= 0x80 && c < 0xA0 ? k80[c - 0x80] : static_cast<char16_t>(c));
  return out;
}

std::vector<std::uint8_t> BuildShellLinkFile(const std::string& path, const std::string& arguments,
                                             const std::string& workingDirectory, const ShellLinkTarget& target) {
  const bool drivePath = IsDrivePath(path);
  std::uint32_t flags = kIsUnicode;
  if (drivePath) flags |= kHasLinkTargetIdList | kHasLinkInfo;
  if (!drivePath && !path.empty()) flags |= kHasRelativePath;
  if (!workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!arguments.empty()) flags |= kHasArguments;

  Bytes out;
  out.U32(kHeaderSize);
  out.Raw(kLinkClsid, sizeof kLinkClsid);
  out.U32(flags);
  out.U32(target.exists ? target.attributes : 0);
  out.U64(target.exists ? target.writeTime : 0);  // creation
  out.U64(target.exists ? target.writeTime : 0);  // access
  out.U64(target.exists ? target.writeTime : 0);  // write
  out.U32(target.exists ? target.size : 0);
  out.U32(0);  // icon index
  out.U32(kSwShowNormal);
  out.U16(0);  // hot key
  out.U16(0);
  out.U32(0);
  out.U32(0);

  if (drivePath) {
    Bytes items = ItemList(path, target);
    out.U16(static_cast<std::uint16_t>(items.Size()));
    out.Append(items);
    out.Append(LinkInfo(path));
  }
  if (flags & kHasRelativePath) StringData(out, path);
  if (flags & kHasWorkingDir) StringData(out, workingDirectory);
  if (flags & kHasArguments) StringData(out, arguments);
  out.U32(0);  // terminal extra-data block
  return std::move(out.Vec());
}

std::unique_ptr<ILinkObject> PortableShellLinks::CreateLink() {
  if (createResult != kSOk) throw EOleSysError(OleErrorMessage(createResult, systemText), createResult);
  if (lacksInterface) throw Exception(std::string(kMsgIntfNotSupported));
  ++created;
  return std::make_unique<PortableShellLink>(files_, *this);
}

}  // namespace qs
