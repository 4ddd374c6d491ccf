#include "platform/portable/files.h"

#include <chrono>
#include <fstream>
#include <map>
#include <system_error>

#include "core/streams.h"
#include "core/text.h"

namespace qs {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxPath = 260;  // MAX_PATH, terminator included

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char UpperLetter(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsDeviceName(std::string_view name) {
  std::string base = UpperAZ(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

// Access and sharing of one open handle, as CreateFile is asked for them.
struct Access {
  bool read = false, write = false;
  bool shareRead = false, shareWrite = false;
};

Access AccessFor(bool read, bool write, ShareMode share) {
  Access a;
  a.read = read;
  a.write = write;
  a.shareRead = share == ShareMode::DenyNone || share == ShareMode::DenyWrite;
  a.shareWrite = share == ShareMode::DenyNone;
  return a;
}

// Whether a new handle may be opened beside an existing one.
bool Compatible(const Access& existing, const Access& wanted) {
  if (wanted.read && !existing.shareRead) return false;
  if (wanted.write && !existing.shareWrite) return false;
  if (existing.read && !wanted.shareRead) return false;
  if (existing.write && !wanted.shareWrite) return false;
  return true;
}

// FILETIME is counted in 100 ns steps from 1601-01-01; the Unix epoch is this many steps later.
constexpr std::int64_t kFiletimeUnixEpoch = 116444736000000000LL;
using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;

std::optional<std::uint64_t> FileTimeOf(const fs::path& p) {
  std::error_code ec;
  auto t = fs::last_write_time(p, ec);
  if (ec) return std::nullopt;
  auto sys = std::chrono::file_clock::to_sys(t);
  auto ticks = std::chrono::floor<Ticks>(sys.time_since_epoch()).count() + kFiletimeUnixEpoch;
  return ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
}

bool SetFileTimeOf(const fs::path& p, std::uint64_t filetime) {
  auto ticks = Ticks(static_cast<std::int64_t>(filetime) - kFiletimeUnixEpoch);
  std::chrono::sys_time<Ticks> sys(ticks);
  std::error_code ec;
  fs::last_write_time(p, std::chrono::file_clock::from_sys(sys), ec);
  return !ec;
}

std::string KeyOf(const fs::path& host) { return UpperAZ(host.lexically_normal().generic_string()); }

}  // namespace

struct PortableFileSystem::HandleTable {
  struct Entry {
    std::uint64_t id;
    Access access;
  };
  std::map<std::string, std::vector<Entry>> open;
  std::uint64_t nextId = 1;

  bool Allows(const std::string& key, const Access& wanted) const {
    auto it = open.find(key);
    if (it == open.end()) return true;
    for (const Entry& e : it->second)
      if (!Compatible(e.access, wanted)) return false;
    return true;
  }
  bool IsOpen(const std::string& key) const { return open.count(key) != 0; }
  std::uint64_t Add(const std::string& key, const Access& a) {
    std::uint64_t id = nextId++;
    open[key].push_back({id, a});
    return id;
  }
  void Remove(const std::string& key, std::uint64_t id) {
    auto it = open.find(key);
    if (it == open.end()) return;
    auto& v = it->second;
    for (auto e = v.begin(); e != v.end(); ++e)
      if (e->id == id) {
        v.erase(e);
        break;
      }
    if (v.empty()) open.erase(it);
  }
};

namespace {

class PortableFile : public IFile {
 public:
  PortableFile(fs::path host, std::shared_ptr<PortableFileSystem::HandleTable> table, std::string key, std::uint64_t id,
               bool write)
      : host_(std::move(host)), table_(std::move(table)), key_(std::move(key)), id_(id), write_(write) {}
  ~PortableFile() override {
    buf_.close();
    table_->Remove(key_, id_);
  }

  bool OpenBuffer(std::ios::openmode mode) { return buf_.open(host_, mode | std::ios::binary) != nullptr; }

  std::size_t Read(void* buffer, std::size_t count) override {
    if (count == 0) return 0;
    Switch(Last::Reading);
    auto n = buf_.sgetn(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    if (!write_ || count == 0) return 0;
    Switch(Last::Writing);
    auto n = buf_.sputn(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  std::int64_t Seek(std::int64_t offset, int origin) override {
    std::ios::seekdir dir = origin == 0 ? std::ios::beg : origin == 1 ? std::ios::cur : std::ios::end;
    if (origin < 0 || origin > 2) return -1;
    auto here = static_cast<std::int64_t>(buf_.pubseekoff(0, std::ios::cur));
    if (here < 0) return -1;
    std::int64_t base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? here : SizeFrom(here);
    if (base < 0) return -1;
    std::int64_t target = base + offset;
    if (target < 0) return -1;  // the position stays where it was, as with SetFilePointer
    auto r = buf_.pubseekoff(target, std::ios::beg);
    last_ = Last::None;
    return static_cast<std::int64_t>(r);
  }

  std::int64_t Size() override {
    auto here = static_cast<std::int64_t>(buf_.pubseekoff(0, std::ios::cur));
    if (here < 0) return -1;
    return SizeFrom(here);
  }

  std::uint64_t ModificationTime() override {
    buf_.pubsync();
    return FileTimeOf(host_).value_or(0);
  }

  bool SetModificationTime(std::uint64_t filetime) override {
    // Pending bytes go out first, so that closing the file does not stamp it again.
    buf_.pubsync();
    return SetFileTimeOf(host_, filetime);
  }

 private:
  enum class Last { None, Reading, Writing };

  // The end of the file, with the position put back where it was.
  std::int64_t SizeFrom(std::int64_t here) {
    auto end = static_cast<std::int64_t>(buf_.pubseekoff(0, std::ios::end));
    buf_.pubseekoff(here, std::ios::beg);
    last_ = Last::None;
    return end;
  }

  // A stream buffer must be repositioned between reading and writing.
  void Switch(Last next) {
    if (last_ != Last::None && last_ != next) buf_.pubseekoff(0, std::ios::cur);
    last_ = next;
  }

  std::filebuf buf_;
  fs::path host_;
  std::shared_ptr<PortableFileSystem::HandleTable> table_;
  std::string key_;
  std::uint64_t id_;
  bool write_;
  Last last_ = Last::None;
};

}  // namespace

std::string WindowsPath::Text() const {
  std::string r{drive, ':', '\\'};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) r += '\\';
    r += parts[i];
  }
  return r;
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path, char currentDrive) {
  if (path.empty()) return std::nullopt;
  for (char c : path) {
    auto u = static_cast<unsigned char>(c);
    if (u < 32 || c == '/' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return std::nullopt;
  }
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return std::nullopt;  // UNC
  WindowsPath r;
  std::string_view rest = path;
  if (path.size() >= 2 && path[1] == ':') {
    if (!IsLetter(path[0])) return std::nullopt;
    r.drive = UpperLetter(path[0]);
    rest = path.substr(2);
  } else {
    if (!IsLetter(currentDrive)) return std::nullopt;
    r.drive = UpperLetter(currentDrive);
  }
  if (rest.find(':') != std::string_view::npos) return std::nullopt;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    std::string part(rest.substr(start, end - start));
    start = end + 1;
    if (part == ".") continue;
    if (part == "..") {
      if (!r.parts.empty()) r.parts.pop_back();
      continue;
    }
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) continue;
    if (IsDeviceName(part)) return std::nullopt;
    r.parts.push_back(std::move(part));
  }
  if (r.Text().size() >= kMaxPath) return std::nullopt;
  return r;
}

PortableFileSystem::PortableFileSystem() : handles_(std::make_shared<HandleTable>()) {}
PortableFileSystem::~PortableFileSystem() = default;

void PortableFileSystem::MapDrive(char letter, const fs::path& hostRoot) {
  if (!IsLetter(letter)) return;
  std::error_code ec;
  fs::path abs = fs::absolute(hostRoot, ec);
  drives_[UpperLetter(letter) - 'A'] = ec ? hostRoot : abs;
}

void PortableFileSystem::UnmapDrive(char letter) {
  if (IsLetter(letter)) drives_[UpperLetter(letter) - 'A'].reset();
}

void PortableFileSystem::SetCurrentDrive(char letter) {
  if (IsLetter(letter)) current_ = UpperLetter(letter);
}

void PortableFileSystem::SetReadOnly(char letter, bool readOnly) {
  if (IsLetter(letter)) readOnly_[UpperLetter(letter) - 'A'] = readOnly;
}

void PortableFileSystem::SetTempDirectory(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  temp_ = std::move(path);
}

bool PortableFileSystem::ReadOnly(std::string_view path) const {
  auto p = ParseWindowsPath(path, current_);
  return p && ReadOnly(*p);
}

std::size_t PortableFileSystem::OpenFiles() const {
  std::size_t n = 0;
  for (auto& [key, v] : handles_->open) n += v.size();
  return n;
}

std::optional<fs::path> PortableFileSystem::Resolve(const WindowsPath& p) const {
  const auto& root = drives_[p.drive - 'A'];
  if (!root) return std::nullopt;
  fs::path host = *root;
  // While the folders so far exist, each name is looked up in its folder: the name stored with
  // exactly this spelling, else one that differs only in the case of a-z. The listing is read
  // even where the host itself ignores case, so that a name always comes back as it is stored.
  bool searching = true;
  for (const std::string& part : p.parts) {
    if (searching) {
      std::error_code ec;
      std::string found;
      fs::directory_iterator it(host, ec), end;
      for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name == part) {
          found = name;
          break;
        }
        if (found.empty() && SameTextAZ(name, part)) found = name;
      }
      if (found.empty()) {
        searching = false;
        host /= part;
      } else {
        host /= found;
      }
    } else {
      host /= part;
    }
  }
  return host;
}

std::optional<fs::path> PortableFileSystem::HostPath(std::string_view path) const {
  auto p = ParseWindowsPath(path, current_);
  if (!p) return std::nullopt;
  return Resolve(*p);
}

std::unique_ptr<IFile> PortableFileSystem::Open(const std::string& path, bool write, ShareMode share) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec) || (write && ReadOnly(path))) return nullptr;
  std::string key = KeyOf(*host);
  Access a = AccessFor(true, write, share);
  if (!handles_->Allows(key, a)) return nullptr;
  auto id = handles_->Add(key, a);
  auto f = std::make_unique<PortableFile>(*host, handles_, key, id, write);
  if (!f->OpenBuffer(write ? std::ios::in | std::ios::out : std::ios::in)) return nullptr;
  return f;
}

std::unique_ptr<IFile> PortableFileSystem::Create(const std::string& path) {
  auto p = ParseWindowsPath(path, current_);
  if (!p || p->parts.empty() || ReadOnly(*p)) return nullptr;
  auto host = Resolve(*p);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::is_directory(*host, ec)) return nullptr;
  std::string key = KeyOf(*host);
  Access a = AccessFor(true, true, ShareMode::DenyWrite);
  if (!handles_->Allows(key, a)) return nullptr;
  auto id = handles_->Add(key, a);
  auto f = std::make_unique<PortableFile>(*host, handles_, key, id, true);
  if (!f->OpenBuffer(std::ios::in | std::ios::out | std::ios::trunc)) return nullptr;
  return f;
}

bool PortableFileSystem::Delete(const std::string& path) {
  auto host = HostPath(path);
  std::error_code ec;
  if (!host || !fs::is_regular_file(*host, ec) || ReadOnly(path)) return false;
  if (handles_->IsOpen(KeyOf(*host))) return false;  // no handle here shares deletion
  return fs::remove(*host, ec) && !ec;
}

bool PortableFileSystem::Copy(const std::string& from, const std::string& to, bool failIfExists) {
  auto src = HostPath(from);
  auto dstPath = ParseWindowsPath(to, current_);
  std::error_code ec;
  if (!src || !dstPath || dstPath->parts.empty() || ReadOnly(*dstPath) || !fs::is_regular_file(*src, ec)) return false;
  auto dst = Resolve(*dstPath);
  if (!dst || !fs::is_directory(dst->parent_path(), ec) || fs::is_directory(*dst, ec)) return false;
  if (failIfExists && fs::exists(*dst, ec)) return false;
  std::string srcKey = KeyOf(*src), dstKey = KeyOf(*dst);
  if (srcKey == dstKey) return false;
  if (!handles_->Allows(srcKey, AccessFor(true, false, ShareMode::DenyNone))) return false;
  // The destination is written beside handles that share reading and writing, as CopyFile does.
  if (!handles_->Allows(dstKey, AccessFor(false, true, ShareMode::DenyNone))) return false;
  auto stamp = FileTimeOf(*src);
  // Copied byte by byte: the host library's copy_file cannot tell files apart on every host.
  {
    std::filebuf in, out;
    if (!in.open(*src, std::ios::in | std::ios::binary)) return false;
    if (!out.open(*dst, std::ios::out | std::ios::trunc | std::ios::binary)) return false;
    char buf[65536];
    for (std::streamsize n; (n = in.sgetn(buf, sizeof buf)) > 0;)
      if (out.sputn(buf, n) != n) return false;
    if (!out.close()) return false;
  }
  if (stamp) SetFileTimeOf(*dst, *stamp);  // a copy keeps the source's modification time
  return true;
}

bool PortableFileSystem::CreateDirectory(const std::string& path) {
  auto p = ParseWindowsPath(path, current_);
  if (!p || p->parts.empty() || ReadOnly(*p)) return false;
  auto host = Resolve(*p);
  std::error_code ec;
  if (!host || !fs::is_directory(host->parent_path(), ec) || fs::exists(*host, ec)) return false;
  return fs::create_directory(*host, ec) && !ec;
}

bool PortableFileSystem::ForceDirectories(const std::string& path) {
  auto p = ParseWindowsPath(path, current_);
  if (!p) return false;
  WindowsPath step{p->drive, {}};
  std::error_code ec;
  for (const std::string& part : p->parts) {
    step.parts.push_back(part);
    auto host = Resolve(step);
    if (!host) return false;
    if (fs::is_directory(*host, ec)) continue;
    if (ReadOnly(*p) || fs::exists(*host, ec) || !fs::create_directory(*host, ec) || ec) return false;
  }
  auto host = Resolve(*p);
  return host && fs::is_directory(*host, ec);
}

std::uint32_t PortableFileSystem::Attributes(const std::string& path) {
  auto host = HostPath(path);
  if (!host) return kInvalidAttributes;
  std::error_code ec;
  auto st = fs::status(*host, ec);
  if (ec) return kInvalidAttributes;
  if (fs::is_directory(st)) return kAttrDirectory;
  if (fs::is_regular_file(st)) return kAttrNormal;
  return kInvalidAttributes;
}

bool PortableFileSystem::RemoveDirectory(const std::string& path) {
  auto p = ParseWindowsPath(path, current_);
  if (!p || p->parts.empty() || ReadOnly(*p)) return false;
  auto host = Resolve(*p);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec) || !fs::is_empty(*host, ec) || ec) return false;
  return fs::remove(*host, ec) && !ec;
}

std::string PortableFileSystem::TempDirectory() {
  if (!temp_.empty()) return temp_;
  return std::string{current_, ':', '\\'};
}

}  // namespace qs
