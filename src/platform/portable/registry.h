// An in-memory HKEY_CURRENT_USER: keys and value names compared without regard to the case of a-z,
// values holding a type and bytes, handles that behave as registry handles do. The REGEDIT4 text
// that the registry editor exports is read and written by platform/portable/regedit4.h.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qs {

inline constexpr long kErrorInvalidHandle = 6, kErrorInvalidParameter = 87, kErrorBadPathname = 161,
                      kErrorKeyDeleted = 1018;

struct RegValue {
  std::string name;  // "" is the key's default value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// True for a path below HKEY_CURRENT_USER that a key can have: names of 1 to 255 characters,
// 512 levels at most, "" for HKEY_CURRENT_USER itself; a trailing "\" is allowed.
bool IsKeyPath(std::string_view path);

class PortableRegistry : public IRegistry {
 public:
  PortableRegistry();
  ~PortableRegistry() override;

  long OpenKey(RegKey parent, const std::string& subkey, RegKey& result) override;
  long CreateKey(RegKey parent, const std::string& subkey, RegKey& result) override;
  long QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* buffer,
                  std::uint32_t* size) override;
  long SetDword(RegKey key, const std::string& name, std::uint32_t value) override;
  long CloseKey(RegKey key) override;

  // Direct access by path below HKEY_CURRENT_USER ("Software\X\Y"), for tests and tools.
  bool KeyExists(std::string_view path) const;
  // Creates a key and the keys above it; false when the path is no key path.
  bool MakeKey(std::string_view path);
  // Removes a key with everything below it; handles open on them then report the key deleted.
  bool DeleteKey(std::string_view path);
  // Sets a value, creating the key and the keys above it.
  void SetValue(std::string_view path, std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
  // A REG_SZ value: the text and its terminating zero byte.
  void SetString(std::string_view path, std::string_view name, std::string_view text);
  // Removes one value; false when there was none.
  bool DeleteValue(std::string_view path, std::string_view name);
  std::optional<RegValue> Value(std::string_view path, std::string_view name) const;
  // The names of a key's subkeys (in order of their upper-cased names) and its values (in the
  // order they were first set).
  std::vector<std::string> SubkeyNames(std::string_view path) const;
  std::vector<RegValue> Values(std::string_view path) const;
  // Handles open now, the predefined HKEY_CURRENT_USER not counted.
  std::size_t OpenHandles() const { return handles_.size(); }

 private:
  struct Node;
  std::shared_ptr<Node> NodeOf(RegKey key) const;
  std::shared_ptr<Node> Find(std::string_view path) const;
  std::shared_ptr<Node> Make(std::string_view path);
  RegKey NewHandle(std::shared_ptr<Node> node);

  std::shared_ptr<Node> root_;
  std::map<RegKey, std::shared_ptr<Node>> handles_;
  RegKey next_ = 0x100;
};

}  // namespace qs
