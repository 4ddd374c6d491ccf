#include "platform/win32/registry_win32.h"

#include <windows.h>

namespace qs {

namespace {

HKEY ToHkey(RegKey key) { return key == kHKCU ? HKEY_CURRENT_USER : reinterpret_cast<HKEY>(key); }

}  // namespace

long Win32Registry::OpenKey(RegKey parent, const std::string& subkey, RegKey& result) {
  HKEY out = nullptr;
  LONG rc = RegOpenKeyExA(ToHkey(parent), subkey.c_str(), 0, KEY_READ | KEY_WRITE, &out);
  if (rc == ERROR_ACCESS_DENIED) rc = RegOpenKeyExA(ToHkey(parent), subkey.c_str(), 0, KEY_READ, &out);
  result = rc == ERROR_SUCCESS ? reinterpret_cast<RegKey>(out) : 0;
  return rc;
}

long Win32Registry::CreateKey(RegKey parent, const std::string& subkey, RegKey& result) {
  HKEY out = nullptr;
  LONG rc = RegCreateKeyExA(ToHkey(parent), subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                            nullptr, &out, nullptr);
  result = rc == ERROR_SUCCESS ? reinterpret_cast<RegKey>(out) : 0;
  return rc;
}

long Win32Registry::QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* buffer,
                               std::uint32_t* size) {
  DWORD t = 0, n = size ? *size : 0;
  LONG rc = RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, &t, buffer, size ? &n : nullptr);
  if (type && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *type = t;
  if (size && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *size = n;
  return rc;
}

long Win32Registry::SetDword(RegKey key, const std::string& name, std::uint32_t value) {
  BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                   static_cast<BYTE>(value >> 24)};
  return RegSetValueExA(ToHkey(key), name.c_str(), 0, REG_DWORD, bytes, sizeof bytes);
}

long Win32Registry::CloseKey(RegKey key) {
  if (key == kHKCU) return ERROR_SUCCESS;
  return RegCloseKey(ToHkey(key));
}

}  // namespace qs
