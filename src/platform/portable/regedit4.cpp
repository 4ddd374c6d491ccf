#include "platform/portable/regedit4.h"

#include "core/text.h"

namespace qs {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
constexpr std::string_view kOtherRoots[] = {"HKEY_LOCAL_MACHINE",  "HKEY_CLASSES_ROOT", "HKEY_USERS",
                                            "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",     "HKEY_PERFORMANCE_DATA"};

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameTextAZ(s.substr(0, prefix.size()), prefix);
}

struct ParseError {
  std::string what;
};

// The text's physical lines, without their line ends.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
  }
  int Number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

// Reads a quoted text starting at s[i] == '"'; i ends after the closing quote.
std::string ReadQuoted(std::string_view s, std::size_t& i) {
  std::string r;
  ++i;
  while (true) {
    if (i >= s.size()) throw ParseError{"a quoted text is not closed"};
    char c = s[i++];
    if (c == '"') return r;
    if (c != '\\') {
      r += c;
      continue;
    }
    if (i >= s.size()) throw ParseError{"a quoted text is not closed"};
    char e = s[i++];
    if (e == '\\' || e == '"')
      r += e;
    else if (e == 'n')
      r += '\n';
    else if (e == 'r')
      r += '\r';
    else
      throw ParseError{std::string("unknown escape \\") + e};
  }
}

// Appends the bytes of a comma-separated hex list; gives true when the list goes on on the next line.
bool ReadHexList(std::string_view s, std::vector<std::uint8_t>& out) {
  s = TrimBlanks(s);
  bool more = false;
  if (!s.empty() && s.back() == '\\') {
    more = true;
    s = TrimBlanks(s.substr(0, s.size() - 1));
  }
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t end = s.find(',', i);
    if (end == std::string_view::npos) end = s.size();
    std::string_view item = TrimBlanks(s.substr(i, end - i));
    bool last = end == s.size();
    if (item.empty()) {
      // Only a comma that ends a continued line may leave an empty item behind it.
      if (!(last && more && end > 0)) throw ParseError{"an empty byte in a hex list"};
    } else {
      if (item.size() > 2 || HexDigit(item[0]) < 0 || (item.size() == 2 && HexDigit(item[1]) < 0))
        throw ParseError{"a bad byte in a hex list: " + std::string(item.substr(0, 8))};
      int v = HexDigit(item[0]);
      if (item.size() == 2) v = v * 16 + HexDigit(item[1]);
      out.push_back(static_cast<std::uint8_t>(v));
    }
    i = end + 1;
  }
  return more;
}

struct Op {
  enum Kind { MakeKey, RemoveKey, SetValue, RemoveValue } kind;
  std::string path;
  RegValue value;
};

std::string KeyPathOf(std::string_view section, bool& otherRoot) {
  otherRoot = false;
  std::size_t slash = section.find('\\');
  std::string_view root = section.substr(0, slash);
  std::string_view rest = slash == std::string_view::npos ? std::string_view() : section.substr(slash + 1);
  if (!SameTextAZ(root, kRoot)) {
    for (auto other : kOtherRoots)
      if (SameTextAZ(root, other)) {
        otherRoot = true;
        return {};
      }
    throw ParseError{"unknown registry root " + std::string(root.substr(0, 64))};
  }
  if (!rest.empty() && !IsKeyPath(rest)) throw ParseError{"a bad key path"};
  return std::string(rest);
}

}  // namespace

RegLoadResult LoadRegedit4(PortableRegistry& registry, std::string_view text) {
  RegLoadResult result;
  std::vector<Op> ops;
  LineReader lines(text);
  std::string_view line;
  try {
    // The header comes first; a UTF-8 byte-order mark before it is tolerated.
    bool header = false;
    while (lines.Next(line)) {
      if (lines.Number() == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
      line = TrimBlanks(line);
      if (line.empty()) continue;
      if (line != kHeader) throw ParseError{"the text does not start with REGEDIT4"};
      header = true;
      break;
    }
    if (!header) throw ParseError{"the text does not start with REGEDIT4"};

    enum class Section { None, Ours, Skipped } section = Section::None;
    std::string path;
    while (lines.Next(line)) {
      line = TrimBlanks(line);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        if (line.back() != ']') throw ParseError{"a key line does not end with ]"};
        std::string_view inner = line.substr(1, line.size() - 2);
        bool remove = !inner.empty() && inner.front() == '-';
        if (remove) inner.remove_prefix(1);
        bool other = false;
        path = KeyPathOf(inner, other);
        if (other) {
          section = Section::Skipped;
          result.skipped.emplace_back(line.substr(0, 300));
          continue;
        }
        if (remove) {
          if (path.empty()) throw ParseError{"HKEY_CURRENT_USER itself cannot be removed"};
          ops.push_back({Op::RemoveKey, path, {}});
          section = Section::Skipped;  // values under a removed key go nowhere
        } else {
          ops.push_back({Op::MakeKey, path, {}});
          section = Section::Ours;
        }
        continue;
      }
      if (line.front() != '"' && line.front() != '@') throw ParseError{"unexpected text"};
      if (section == Section::None) throw ParseError{"a value before any key"};
      RegValue v;
      std::size_t i = 0;
      if (line.front() == '@')
        i = 1;
      else
        v.name = ReadQuoted(line, i);
      while (i < line.size() && IsBlankChar(line[i])) ++i;
      if (i >= line.size() || line[i] != '=') throw ParseError{"a value without ="};
      ++i;
      while (i < line.size() && IsBlankChar(line[i])) ++i;
      std::string_view data = line.substr(i);
      Op op{Op::SetValue, path, {}};
      if (data == "-") {
        op.kind = Op::RemoveValue;
      } else if (!data.empty() && data.front() == '"') {
        std::size_t j = 0;
        std::string s = ReadQuoted(data, j);
        if (!TrimBlanks(data.substr(j)).empty()) throw ParseError{"text after a quoted value"};
        v.type = kRegSz;
        v.data.assign(s.begin(), s.end());
        v.data.push_back(0);
      } else if (StartsWithNoCase(data, "dword:")) {
        std::string_view digits = TrimBlanks(data.substr(6));
        if (digits.empty() || digits.size() > 8) throw ParseError{"a dword needs 1 to 8 hex digits"};
        std::uint32_t n = 0;
        for (char c : digits) {
          if (HexDigit(c) < 0) throw ParseError{"a dword needs 1 to 8 hex digits"};
          n = n * 16 + static_cast<std::uint32_t>(HexDigit(c));
        }
        v.type = kRegDword;
        v.data = {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16),
                  static_cast<std::uint8_t>(n >> 24)};
      } else if (StartsWithNoCase(data, "hex")) {
        std::size_t j = 3;
        v.type = kRegBinary;
        if (j < data.size() && data[j] == '(') {
          std::size_t close = data.find(')', j);
          if (close == std::string_view::npos || close == j + 1 || close - j - 1 > 8)
            throw ParseError{"a bad hex(type)"};
          std::uint32_t t = 0;
          for (std::size_t k = j + 1; k < close; ++k) {
            if (HexDigit(data[k]) < 0) throw ParseError{"a bad hex(type)"};
            t = t * 16 + static_cast<std::uint32_t>(HexDigit(data[k]));
          }
          v.type = t;
          j = close + 1;
        }
        if (j >= data.size() || data[j] != ':') throw ParseError{"a hex value without :"};
        bool more = ReadHexList(data.substr(j + 1), v.data);
        while (more) {
          std::string_view next;
          if (!lines.Next(next)) throw ParseError{"a hex list goes on past the end of the text"};
          more = ReadHexList(next, v.data);
        }
      } else {
        throw ParseError{"an unknown kind of value"};
      }
      if (section == Section::Skipped) continue;
      op.value = std::move(v);
      ops.push_back(std::move(op));
    }
  } catch (const ParseError& e) {
    result.ok = false;
    result.line = lines.Number();
    result.error = e.what;
    return result;
  }

  for (Op& op : ops) {
    switch (op.kind) {
      case Op::MakeKey:
        registry.MakeKey(op.path);
        break;
      case Op::RemoveKey:
        registry.DeleteKey(op.path);
        break;
      case Op::SetValue:
        registry.SetValue(op.path, op.value.name, op.value.type, std::move(op.value.data));
        break;
      case Op::RemoveValue:
        registry.DeleteValue(op.path, op.value.name);
        break;
    }
  }
  return result;
}

namespace {

std::string QuoteName(std::string_view s) {
  std::string r = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') {
      r += '\\';
      r += c;
    } else if (c == '\n') {
      r += "\\n";
    } else if (c == '\r') {
      r += "\\r";
    } else {
      r += c;
    }
  }
  return r + "\"";
}

// A REG_SZ value can be written as a quoted text when it is one line of text with its terminator.
bool IsPlainText(const RegValue& v) {
  if (v.type != kRegSz || v.data.empty() || v.data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < v.data.size(); ++i)
    if (v.data[i] == 0 || v.data[i] == '\n' || v.data[i] == '\r') return false;
  return true;
}

void SaveValue(const RegValue& v, std::string& out) {
  std::string line = v.name.empty() ? "@=" : QuoteName(v.name) + "=";
  if (IsPlainText(v)) {
    out += line + QuoteName(std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1)) + "\r\n";
    return;
  }
  static const char kHex[] = "0123456789abcdef";
  if (v.type == kRegDword && v.data.size() == 4) {
    std::uint32_t n = static_cast<std::uint32_t>(v.data[0]) | (static_cast<std::uint32_t>(v.data[1]) << 8) |
                      (static_cast<std::uint32_t>(v.data[2]) << 16) | (static_cast<std::uint32_t>(v.data[3]) << 24);
    line += "dword:";
    for (int shift = 28; shift >= 0; shift -= 4) line += kHex[(n >> shift) & 0xF];
    out += line + "\r\n";
    return;
  }
  if (v.type == kRegBinary) {
    line += "hex:";
  } else {
    std::string t;
    std::uint32_t n = v.type;
    do {
      t.insert(t.begin(), kHex[n & 0xF]);
      n >>= 4;
    } while (n);
    line += "hex(" + t + "):";
  }
  // Long lists are continued on lines of their own, as the registry editor wraps them.
  for (std::size_t i = 0; i < v.data.size(); ++i) {
    line += kHex[v.data[i] >> 4];
    line += kHex[v.data[i] & 0xF];
    if (i + 1 < v.data.size()) {
      line += ',';
      if (line.size() > 76) {
        out += line + "\\\r\n";
        line = "  ";
      }
    }
  }
  out += line + "\r\n";
}

void SaveKey(const PortableRegistry& registry, const std::string& path, std::string& out) {
  std::vector<RegValue> values = registry.Values(path);
  if (!path.empty() || !values.empty()) {
    out += "\r\n[HKEY_CURRENT_USER";
    if (!path.empty()) out += "\\" + path;
    out += "]\r\n";
    for (const RegValue& v : values) SaveValue(v, out);
  }
  for (const std::string& name : registry.SubkeyNames(path))
    SaveKey(registry, path.empty() ? name : path + "\\" + name, out);
}

}  // namespace

std::string SaveRegedit4(const PortableRegistry& registry) {
  std::string out(kHeader);
  out += "\r\n";
  SaveKey(registry, "", out);
  return out;
}

}  // namespace qs
