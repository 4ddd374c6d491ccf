// HKEY_CURRENT_USER through the ANSI Win32 registry API.
#pragma once
#include "platform/platform.h"

namespace qs {

class Win32Registry : public IRegistry {
 public:
  // Keys are opened for reading and writing, or for reading only where writing is not granted.
  long OpenKey(RegKey parent, const std::string& subkey, RegKey& result) override;
  long CreateKey(RegKey parent, const std::string& subkey, RegKey& result) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* buffer,
                  std::uint32_t* size) override;
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override;
  long CloseKey(RegKey key) override;
};

}  // namespace qs
