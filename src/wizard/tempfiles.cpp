#include "wizard/tempfiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "core/errors.h"

namespace qs {

namespace {

// Candidate names for the private folder: "QS", six hexadecimal digits, ".TMP". The first comes
// from the clock and this object's address, so that installers started side by side seldom meet;
// a name that is taken moves on to another.
constexpr int kFolderAttempts = 64;

std::string FolderName(std::uint32_t n) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string name = "QS";
  for (int shift = 20; shift >= 0; shift -= 4) name += kHex[(n >> shift) & 0xF];
  return name + ".TMP";
}

}  // namespace

TemporaryFiles::TemporaryFiles(Platform& host) : host_(host), previousHalt_(host.halt) {
  // A quit request taken during a launcher wait ends the installer without unwinding: what this
  // made goes first.
  host_.halt = [this](std::uint32_t exitCode) {
    RemoveAll();
    if (previousHalt_) {
      previousHalt_(exitCode);
      return;
    }
    std::exit(static_cast<int>(exitCode));
  };
}

TemporaryFiles::~TemporaryFiles() {
  RemoveAll();
  host_.halt = std::move(previousHalt_);
}

std::string TemporaryFiles::Folder() {
  if (!folder_.empty()) return folder_;
  IFileSystem& files = *host_.files;
  const std::string base = files.TempDirectory();
  auto n = static_cast<std::uint32_t>(std::time(nullptr)) ^
           static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this) >> 4);
  for (int attempt = 0; attempt < kFolderAttempts; ++attempt, n += 0x9E3779u) {
    const std::string path = base + FolderName(n);
    if (files.CreateDirectory(path)) {
      folder_ = path + '\\';
      return folder_;
    }
    // Only a name that is taken is worth another try.
    if (files.Attributes(path) == kInvalidAttributes) break;
  }
  throw EFCreateError(base);
}

std::string TemporaryFiles::InFolder(std::string_view name) {
  std::string path = Folder() + std::string(name);
  Track(path);
  return path;
}

void TemporaryFiles::Track(const std::string& path) {
  if (std::find(files_.begin(), files_.end(), path) == files_.end()) files_.push_back(path);
}

void TemporaryFiles::Delete(const std::string& path) {
  auto it = std::find(files_.begin(), files_.end(), path);
  // One that cannot go now is tried again on the way out.
  if (it != files_.end() && host_.files->Delete(path)) files_.erase(it);
}

void TemporaryFiles::RemoveAll() {
  for (const std::string& path : files_) host_.files->Delete(path);
  files_.clear();
  if (!folder_.empty()) host_.files->RemoveDirectory(folder_.substr(0, folder_.size() - 1));
  folder_.clear();
}

}  // namespace qs
