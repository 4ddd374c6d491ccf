#include "platform/portable/registry.h"

#include <cstring>

#include "core/text.h"

namespace qs {

struct PortableRegistry::Node {
  std::string name;
  std::map<std::string, std::shared_ptr<Node>> subkeys;  // by upper-cased name
  std::vector<RegValue> values;                          // in the order they were first set
  bool deleted = false;

  RegValue* FindValue(std::string_view valueName) {
    for (RegValue& v : values)
      if (SameTextAZ(v.name, valueName)) return &v;
    return nullptr;
  }
  void MarkDeleted() {
    deleted = true;
    for (auto& [k, child] : subkeys) child->MarkDeleted();
  }
};

namespace {

constexpr std::size_t kMaxKeyName = 255;  // characters of one key name
constexpr std::size_t kMaxDepth = 512;    // levels below HKEY_CURRENT_USER

// Splits "a\b\c"; a trailing "\" is allowed, empty or over-long names are not.
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end == start || end - start > kMaxKeyName) return std::nullopt;
    parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  if (parts.size() > kMaxDepth) return std::nullopt;
  return parts;
}

std::vector<std::uint8_t> DwordBytes(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

}  // namespace

PortableRegistry::PortableRegistry() : root_(std::make_shared<Node>()) { root_->name = "HKEY_CURRENT_USER"; }
PortableRegistry::~PortableRegistry() = default;

std::shared_ptr<PortableRegistry::Node> PortableRegistry::NodeOf(RegKey key) const {
  if (key == kHKCU) return root_;
  auto it = handles_.find(key);
  return it == handles_.end() ? nullptr : it->second;
}

RegKey PortableRegistry::NewHandle(std::shared_ptr<Node> node) {
  RegKey h = next_;
  next_ += 4;
  handles_[h] = std::move(node);
  return h;
}

std::shared_ptr<PortableRegistry::Node> PortableRegistry::Find(std::string_view path) const {
  auto parts = SplitKeyPath(path);
  if (!parts) return nullptr;
  auto node = root_;
  for (const std::string& p : *parts) {
    auto it = node->subkeys.find(UpperAZ(p));
    if (it == node->subkeys.end()) return nullptr;
    node = it->second;
  }
  return node;
}

std::shared_ptr<PortableRegistry::Node> PortableRegistry::Make(std::string_view path) {
  auto parts = SplitKeyPath(path);
  if (!parts) return nullptr;
  auto node = root_;
  for (const std::string& p : *parts) {
    auto& slot = node->subkeys[UpperAZ(p)];
    if (!slot) {
      slot = std::make_shared<Node>();
      slot->name = p;
    }
    node = slot;
  }
  return node;
}

long PortableRegistry::OpenKey(RegKey parent, const std::string& subkey, RegKey& result) {
  result = 0;
  auto node = NodeOf(parent);
  if (!node) return kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (!subkey.empty() && subkey.front() == '\\') return kErrorBadPathname;
  auto parts = SplitKeyPath(subkey);
  if (!parts) return kErrorFileNotFound;
  for (const std::string& p : *parts) {
    auto it = node->subkeys.find(UpperAZ(p));
    if (it == node->subkeys.end()) return kErrorFileNotFound;
    node = it->second;
  }
  result = NewHandle(node);
  return kErrorSuccess;
}

long PortableRegistry::CreateKey(RegKey parent, const std::string& subkey, RegKey& result) {
  result = 0;
  auto node = NodeOf(parent);
  if (!node) return kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (!subkey.empty() && subkey.front() == '\\') return kErrorBadPathname;
  auto parts = SplitKeyPath(subkey);
  if (!parts) return kErrorBadPathname;
  for (const std::string& p : *parts) {
    auto& slot = node->subkeys[UpperAZ(p)];
    if (!slot) {
      slot = std::make_shared<Node>();
      slot->name = p;
    }
    node = slot;
  }
  result = NewHandle(node);
  return kErrorSuccess;
}

long PortableRegistry::QueryValue(RegKey key, const std::string& name, std::uint32_t* type, std::uint8_t* buffer,
                                  std::uint32_t* size) {
  auto node = NodeOf(key);
  if (!node) return kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  RegValue* v = node->FindValue(name);
  if (!v) return kErrorFileNotFound;
  if (type) *type = v->type;
  if (!size) return buffer ? kErrorInvalidParameter : kErrorSuccess;
  auto needed = static_cast<std::uint32_t>(v->data.size());
  if (!buffer) {
    *size = needed;
    return kErrorSuccess;
  }
  if (needed > *size) {
    *size = needed;
    return kErrorMoreData;
  }
  if (needed) std::memcpy(buffer, v->data.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

long PortableRegistry::SetDword(RegKey key, const std::string& name, std::uint32_t value) {
  auto node = NodeOf(key);
  if (!node) return kErrorInvalidHandle;
  if (node->deleted) return kErrorKeyDeleted;
  if (RegValue* v = node->FindValue(name)) {
    v->type = kRegDword;
    v->data = DwordBytes(value);
  } else {
    node->values.push_back({name, kRegDword, DwordBytes(value)});
  }
  return kErrorSuccess;
}

long PortableRegistry::CloseKey(RegKey key) {
  if (key == kHKCU) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

bool IsKeyPath(std::string_view path) { return SplitKeyPath(path).has_value(); }

bool PortableRegistry::KeyExists(std::string_view path) const { return Find(path) != nullptr; }

bool PortableRegistry::MakeKey(std::string_view path) { return Make(path) != nullptr; }

bool PortableRegistry::DeleteKey(std::string_view path) {
  auto parts = SplitKeyPath(path);
  if (!parts || parts->empty()) return false;
  std::string last = UpperAZ(parts->back());
  parts->pop_back();
  auto parent = root_;
  for (const std::string& p : *parts) {
    auto it = parent->subkeys.find(UpperAZ(p));
    if (it == parent->subkeys.end()) return false;
    parent = it->second;
  }
  auto it = parent->subkeys.find(last);
  if (it == parent->subkeys.end()) return false;
  it->second->MarkDeleted();
  parent->subkeys.erase(it);
  return true;
}

void PortableRegistry::SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                                std::vector<std::uint8_t> data) {
  auto node = Make(path);
  if (!node) return;
  if (RegValue* v = node->FindValue(name)) {
    v->type = type;
    v->data = std::move(data);
  } else {
    node->values.push_back({std::string(name), type, std::move(data)});
  }
}

void PortableRegistry::SetString(std::string_view path, std::string_view name, std::string_view text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, kRegSz, std::move(data));
}

bool PortableRegistry::DeleteValue(std::string_view path, std::string_view name) {
  auto node = Find(path);
  if (!node) return false;
  auto& vs = node->values;
  for (auto it = vs.begin(); it != vs.end(); ++it)
    if (SameTextAZ(it->name, name)) {
      vs.erase(it);
      return true;
    }
  return false;
}

std::optional<RegValue> PortableRegistry::Value(std::string_view path, std::string_view name) const {
  auto node = Find(path);
  if (!node) return std::nullopt;
  RegValue* v = node->FindValue(name);
  if (!v) return std::nullopt;
  return *v;
}

std::vector<std::string> PortableRegistry::SubkeyNames(std::string_view path) const {
  std::vector<std::string> r;
  if (auto node = Find(path))
    for (auto& [k, child] : node->subkeys) r.push_back(child->name);
  return r;
}

std::vector<RegValue> PortableRegistry::Values(std::string_view path) const {
  auto node = Find(path);
  return node ? node->values : std::vector<RegValue>{};
}

}  // namespace qs
