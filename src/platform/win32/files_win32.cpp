#include "platform/win32/files_win32.h"

#include <windows.h>

#include <algorithm>

#include "core/streams.h"
#include "core/text.h"

// windows.h renames these to their ANSI or wide forms; here they are the interface's names.
#undef CreateDirectory
#undef RemoveDirectory

namespace qs {

namespace {

DWORD ShareFlags(ShareMode share) {
  switch (share) {
    case ShareMode::DenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case ShareMode::DenyWrite:
      return FILE_SHARE_READ;
    case ShareMode::DenyReadWrite:
    case ShareMode::Exclusive:
      return 0;
  }
  return 0;
}

class Win32File : public IFile {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { CloseHandle(h_); }

  std::size_t Read(void* buffer, std::size_t count) override {
    std::size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30)), got = 0;
      if (!ReadFile(h_, p + done, chunk, &got, nullptr) || got == 0) break;
      done += got;
    }
    return done;
  }

  std::size_t Write(const void* buffer, std::size_t count) override {
    std::size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < count) {
      DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30)), put = 0;
      if (!WriteFile(h_, p + done, chunk, &put, nullptr) || put == 0) break;
      done += put;
    }
    return done;
  }

  std::int64_t Seek(std::int64_t offset, int origin) override {
    if (origin < 0 || origin > 2) return -1;
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(h_, to, &now, method)) return -1;
    return now.QuadPart;
  }

  std::int64_t Size() override {
    LARGE_INTEGER size;
    return GetFileSizeEx(h_, &size) ? size.QuadPart : -1;
  }

  std::uint64_t ModificationTime() override {
    FILETIME ft;
    if (!GetFileTime(h_, nullptr, nullptr, &ft)) return 0;
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  }

  bool SetModificationTime(std::uint64_t filetime) override {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(filetime);
    ft.dwHighDateTime = static_cast<DWORD>(filetime >> 32);
    return SetFileTime(h_, nullptr, nullptr, &ft) != 0;
  }

 private:
  HANDLE h_;
};

std::unique_ptr<IFile> Wrap(HANDLE h) {
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(h);
}

}  // namespace

std::unique_ptr<IFile> Win32FileSystem::Open(const std::string& path, bool write, ShareMode share) {
  DWORD access = GENERIC_READ | (write ? GENERIC_WRITE : 0);
  return Wrap(
      CreateFileA(path.c_str(), access, ShareFlags(share), nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::unique_ptr<IFile> Win32FileSystem::Create(const std::string& path) {
  return Wrap(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Win32FileSystem::Delete(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool Win32FileSystem::Copy(const std::string& from, const std::string& to, bool failIfExists) {
  return CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE) != 0;
}

bool Win32FileSystem::CreateDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool Win32FileSystem::ForceDirectories(const std::string& path) {
  std::string dir = path;
  while (dir.size() > 1 && dir.back() == '\\' && dir[dir.size() - 2] != ':') dir.pop_back();
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  std::string parent = DirectoryPart(dir);
  // Stop at a drive ("C:\", "C:") or a name without any folder above it.
  if (!parent.empty() && parent != dir && parent.back() != ':' &&
      !(parent.size() == 3 && parent[1] == ':' && parent[2] == '\\')) {
    if (!ForceDirectories(parent)) return false;
  }
  CreateDirectoryA(dir.c_str(), nullptr);
  return DirectoryExists(dir);
}

std::uint32_t Win32FileSystem::Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

bool Win32FileSystem::RemoveDirectory(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

std::string Win32FileSystem::TempDirectory() {
  char buffer[MAX_PATH + 1];
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  if (n == 0 || n > MAX_PATH) return {};
  return std::string(buffer, n);
}

}  // namespace qs
