#include "install/filecopy.h"

#include <vector>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"

namespace qs {

namespace {

constexpr std::size_t kBlock = 8192;

// The directory of a path without its trailing separator, except at a root ("C:\", "\").
std::string DirectoryOf(const std::string& path) {
  std::string dir = DirectoryPart(path);
  if (dir.size() > 1 && dir.back() == '\\' && dir[dir.size() - 2] != ':') dir.pop_back();
  return dir;
}

// Both names lead to the same file as far as their text tells (letters a-z in either case, "/" is
// not a separator for the installer).
bool SamePath(const std::string& a, const std::string& b) { return UpperAZ(a) == UpperAZ(b); }

}  // namespace

void FileCopy(IFileSystem& files, const std::string& source, const std::string& destination) {
  std::string target = destination;
  if (files.DirectoryExists(target)) target = WithTrailingSeparator(target) + FileNamePart(source);

  // Others may read the source but not change it while it is copied.
  TFileStream in(files, source, FileMode::OpenRead, ShareMode::DenyWrite);
  std::string dir = DirectoryOf(target);
  if (!dir.empty()) files.ForceDirectories(dir);
  // Creating the file would empty the source itself: the system refuses it (the source is open
  // without write sharing), and so does the copy on every platform.
  if (SamePath(source, target)) throw EFCreateError(target);
  TFileStream out(files, target, FileMode::Create);

  std::vector<std::uint8_t> buffer(kBlock);
  std::int64_t copied = 0;
  for (;;) {
    std::size_t n = in.Read(buffer.data(), kBlock);
    if (n > 0) out.WriteBuffer(buffer.data(), n);
    copied += static_cast<std::int64_t>(n);
    if (n < kBlock) break;
  }
  // A failed read looks like the end of the file: the length tells them apart.
  if (copied != in.File().Size()) throw EReadError();
  out.File().SetModificationTime(in.File().ModificationTime());
}

void SaveStreamToFile(IFileSystem& files, TStream& stream, const std::string& path) {
  TFileStream out(files, path, FileMode::Create);
  stream.SetPosition(0);
  std::int64_t size = stream.Size();
  if (size > 0) out.CopyFrom(stream, 0);
}

}  // namespace qs
