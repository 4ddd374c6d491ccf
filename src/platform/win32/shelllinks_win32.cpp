#include "platform/win32/shelllinks_win32.h"

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <vector>

#include "core/text.h"

namespace qs {

std::string SystemErrorText(std::uint32_t code) {
  char buffer[1024];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                           sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.')) text.pop_back();
  return text;
}

namespace {

// The class and interface identifiers of the shell's link object, spelled out: taking them from
// the system's uuid library links in far more than these four (kilobytes of the fixed-size program).
constexpr GUID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class Win32ShellLink : public ILinkObject {
 public:
  Win32ShellLink(IShellLinkA* link, IPersistFile* file) : link_(link), file_(file) {}
  ~Win32ShellLink() override {
    file_->Release();
    link_->Release();
  }
  Win32ShellLink(const Win32ShellLink&) = delete;
  Win32ShellLink& operator=(const Win32ShellLink&) = delete;

  HResult SetArguments(const std::string& arguments) override { return link_->SetArguments(arguments.c_str()); }
  HResult SetPath(const std::string& path) override { return link_->SetPath(path.c_str()); }
  HResult SetWorkingDirectory(const std::string& directory) override {
    return link_->SetWorkingDirectory(directory.c_str());
  }
  HResult Save(const std::string& path, bool remember) override {
    int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (n <= 0) return HRESULT_FROM_WIN32(GetLastError());
    std::vector<wchar_t> wide(static_cast<std::size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n);
    return file_->Save(wide.data(), remember ? TRUE : FALSE);
  }

 private:
  IShellLinkA* link_;
  IPersistFile* file_;
};

}  // namespace

std::unique_ptr<ILinkObject> Win32ShellLinks::CreateLink() {
  IUnknown* unknown = nullptr;
  HRESULT hr = CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, kIidUnknown,
                                reinterpret_cast<void**>(&unknown));
  if (FAILED(hr)) throw EOleSysError(OleErrorMessage(hr, SystemErrorText(static_cast<DWORD>(hr))), hr);
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  if (FAILED(unknown->QueryInterface(kIidShellLinkA, reinterpret_cast<void**>(&link)))) link = nullptr;
  if (FAILED(unknown->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(&file)))) file = nullptr;
  unknown->Release();
  if (!link || !file) {
    if (link) link->Release();
    if (file) file->Release();
    throw Exception(std::string(kMsgIntfNotSupported));
  }
  return std::make_unique<Win32ShellLink>(link, file);
}

}  // namespace qs
