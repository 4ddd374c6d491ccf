#include "core/text.h"

#include <cstring>

namespace qs {

namespace {
inline char UpChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline bool IsSpaceOrControl(char c) { return static_cast<unsigned char>(c) <= 32; }
}  // namespace

std::string UpperAZ(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpChar(c);
  return r;
}

bool SameTextAZ(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpChar(a[i]) != UpChar(b[i])) return false;
  return true;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsSpaceOrControl(s[b])) ++b;
  while (e > b && IsSpaceOrControl(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

bool IsBlank(std::string_view s) {
  for (char c : s)
    if (!IsSpaceOrControl(c)) return false;
  return true;
}

std::string FileNamePart(std::string_view path) {
  auto pos = path.find_last_of("\\:");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string DirectoryPart(std::string_view path) {
  auto pos = path.find_last_of("\\:");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string WithTrailingSeparator(std::string_view dir) {
  if (dir.empty()) return {};
  char last = dir.back();
  if (last == ':' || last == '\\') return std::string(dir);
  if (dir.size() == 1 && ((last >= 'A' && last <= 'Z') || (last >= 'a' && last <= 'z')))
    return std::string(dir) + ":\\";
  return std::string(dir) + "\\";
}

std::string FixedField(const void* field, std::size_t size) {
  const char* p = static_cast<const char*>(field);
  const void* zero = std::memchr(p, 0, size);
  return std::string(p, zero ? static_cast<const char*>(zero) - p : size);
}

std::string Format(std::string_view pattern, std::string_view arg) {
  std::string r;
  auto pos = pattern.find('%');
  if (pos == std::string_view::npos || pos + 1 >= pattern.size()) return std::string(pattern);
  r.append(pattern.substr(0, pos));
  r.append(arg);
  r.append(pattern.substr(pos + 2));
  return r;
}

}  // namespace qs
