// The text form of a component stream: text to binary.
#include "stream/textform.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

#include "core/streams.h"
#include "stream/reader.h"
#include "stream/writer.h"

namespace qs {

namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
bool IsOneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }
int HexValue(char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }

// ---- text to binary ------------------------------------------------------------------------

class Parser {
 public:
  Parser(std::string_view text, TWriter& w) : s_(text), w_(w) {}

  void Run() {
    w_.Write(kStreamSignature, 4);
    SkipSpace();
    std::string keyword = Word();
    if (keyword != "object" && keyword != "inherited") Fail("expected \"object\"");
    Component(keyword == "inherited");
    SkipSpace();
    if (p_ < s_.size()) Fail("text after the end of the root object");
    w_.FlushBuffer();
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw ETextFormError("line " + std::to_string(line_) + ": " + what);
  }

  void SkipSpace() {
    while (p_ < s_.size()) {
      char c = s_[p_];
      if (c == '\n') {
        ++line_;
        ++p_;
      } else if (c == ' ' || c == '\t' || c == '\r') {
        ++p_;
      } else if (c == '/' && p_ + 1 < s_.size() && s_[p_ + 1] == '/') {
        while (p_ < s_.size() && s_[p_] != '\n') ++p_;
      } else {
        break;
      }
    }
  }
  char Peek() {
    SkipSpace();
    return p_ < s_.size() ? s_[p_] : '\0';
  }
  void Expect(char c) {
    if (Peek() != c) Fail(std::string("expected \"") + c + "\"");
    ++p_;
  }
  bool AtWord() { return p_ < s_.size() && IsAlpha(s_[p_]); }
  // An identifier, possibly dotted; "" when none starts here.
  std::string Word() {
    SkipSpace();
    std::size_t b = p_;
    if (!AtWord()) return {};
    while (p_ < s_.size() && (IsAlpha(s_[p_]) || IsDigit(s_[p_]) || s_[p_] == '.')) ++p_;
    return std::string(s_.substr(b, p_ - b));
  }
  // Whether the next thing is "word =" (a property), without moving.
  bool PropertyFollows() {
    std::size_t p = p_;
    int line = line_;
    bool r = false;
    if (Peek() == '\'' || Peek() == '#') {
      r = true;
    } else if (!Word().empty()) {
      r = Peek() == '=';
    }
    p_ = p;
    line_ = line;
    return r;
  }

  // Text: quoted runs and #N codes, side by side. maxCode 255 for bytes, 65535 for UTF-16.
  std::u16string Text(std::uint32_t maxCode) {
    SkipSpace();
    std::u16string r;
    bool any = false;
    while (p_ < s_.size()) {
      if (s_[p_] == '\'') {
        ++p_;
        for (;;) {
          if (p_ >= s_.size() || s_[p_] == '\n') Fail("unterminated text");
          if (s_[p_] == '\'') {
            if (p_ + 1 < s_.size() && s_[p_ + 1] == '\'') {
              r.push_back(u'\'');
              p_ += 2;
              continue;
            }
            ++p_;
            break;
          }
          r.push_back(static_cast<unsigned char>(s_[p_++]));
        }
      } else if (s_[p_] == '#') {
        ++p_;
        std::uint32_t v = 0;
        if (p_ >= s_.size() || !IsDigit(s_[p_])) Fail("expected a character code after \"#\"");
        while (p_ < s_.size() && IsDigit(s_[p_])) {
          v = v * 10 + static_cast<std::uint32_t>(s_[p_++] - '0');
          if (v > maxCode) Fail("character code out of range");
        }
        r.push_back(static_cast<char16_t>(v));
      } else {
        break;
      }
      any = true;
    }
    if (!any) Fail("expected text");
    return r;
  }
  std::string Bytes() {
    std::u16string w = Text(255);
    return std::string(w.begin(), w.end());
  }
  // A name: a plain identifier or quoted text, up to 255 bytes.
  std::string NameToken() {
    std::string r;
    if (Peek() == '\'' || Peek() == '#') {
      r = Bytes();
    } else {
      r = Word();
      if (r.empty()) Fail("expected a name");
    }
    if (r.size() > 255) Fail("a name is longer than 255 bytes");
    return r;
  }
  std::int64_t Integer(std::int64_t lo, std::int64_t hi) {
    SkipSpace();
    const std::size_t b = p_;
    const bool plus = p_ < s_.size() && s_[p_] == '+';
    if (plus || (p_ < s_.size() && s_[p_] == '-')) ++p_;
    while (p_ < s_.size() && IsDigit(s_[p_])) ++p_;
    std::int64_t v = 0;
    const char* first = s_.data() + b + (plus ? 1 : 0);
    auto res = std::from_chars(first, s_.data() + p_, v);
    if (res.ec != std::errc() || res.ptr != s_.data() + p_) Fail("expected an integer");
    if (v < lo || v > hi) Fail("integer out of range");
    return v;
  }
  std::int32_t Position() {
    Expect('[');
    auto v = static_cast<std::int32_t>(Integer(INT32_MIN, INT32_MAX));
    Expect(']');
    return v;
  }

  void Component(bool existing) {
    if (++depth_ > kMaxStreamNesting + 1) Fail("objects nested deeper than 256 levels");
    std::string name, cls = NameToken();
    if (Peek() == ':') {
      ++p_;
      name = cls;
      cls = NameToken();
    }
    std::optional<std::int32_t> position;
    if (Peek() == '[') position = Position();
    // A class name's length byte must not read as something else: zero is the end of the list,
    // 240 and up is a prefix. A prefix without flags in front keeps it a class name.
    if (existing || position || cls.empty() || cls.size() >= kPrefixMask) {
      std::uint8_t prefix =
          static_cast<std::uint8_t>(kPrefixMask | (existing ? kFlagExisting : 0) | (position ? kFlagChildPos : 0));
      w_.Write(&prefix, 1);
      if (position) w_.WriteInteger(*position);
    }
    w_.WriteStr(cls);
    w_.WriteStr(name);
    while (PropertyFollows()) Property();
    w_.WriteListEnd();
    for (;;) {
      std::string word = Word();
      if (word == "end") break;
      if (word != "object" && word != "inherited") {
        if (Peek() == '=') Fail("properties come before the child objects");
        Fail("expected \"object\" or \"end\"");
      }
      Component(word == "inherited");
    }
    w_.WriteListEnd();
    --depth_;
  }

  void Property() {
    const std::string name = NameToken();
    // An empty property name is a zero byte, which a reader takes for the end of the properties.
    if (name.empty()) Fail("a property name cannot be empty");
    w_.WriteStr(name);
    Expect('=');
    Value(false);
  }

  void Hex(std::size_t bytes, std::uint8_t* out) {
    Expect('$');
    for (std::size_t i = 0; i < bytes; ++i) {
      if (p_ + 1 >= s_.size() || !IsHex(s_[p_]) || !IsHex(s_[p_ + 1])) Fail("expected hexadecimal bytes");
      out[i] = static_cast<std::uint8_t>(HexValue(s_[p_]) * 16 + HexValue(s_[p_ + 1]));
      p_ += 2;
    }
  }
  template <class F>
  F Float() {
    SkipSpace();
    std::size_t b = p_;
    while (p_ < s_.size() && (IsDigit(s_[p_]) || IsOneOf(s_[p_], "+-.eE"))) ++p_;
    F v{};
    const char* first = s_.data() + b + (p_ > b && s_[b] == '+' ? 1 : 0);
    auto res = std::from_chars(first, s_.data() + p_, v);
    if (p_ == b || res.ec != std::errc() || res.ptr != s_.data() + p_) Fail("expected a number");
    return v;
  }
  void WriteLE(std::uint64_t v, int n) {
    std::uint8_t b[8];
    for (int i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(v >> (8 * i));
    w_.Write(b, static_cast<std::size_t>(n));
  }

  // A function-like value: Ident(...), Extended(...), Single(...), Date(...), Currency(...),
  // WideString(...). Gives false when word is none of them.
  bool Function(const std::string& word) {
    if (p_ >= s_.size() || s_[p_] != '(') return false;
    if (word == "Ident") {
      ++p_;
      std::string s = Bytes();
      if (s.size() > 255) Fail("an identifier is longer than 255 bytes");
      w_.WriteValue(TagIdent);
      w_.WriteStr(s);
    } else if (word == "Extended") {
      ++p_;
      std::uint8_t b[10];
      if (Peek() == '$')
        Hex(10, b);
      else
        DoubleToExtended(Float<double>(), b);
      w_.WriteValue(TagExtended);
      w_.Write(b, 10);
    } else if (word == "Single") {
      ++p_;
      std::uint8_t b[4];
      if (Peek() == '$') {
        Hex(4, b);
      } else {
        float f = Float<float>();
        std::memcpy(b, &f, 4);
      }
      w_.WriteValue(TagSingle);
      w_.Write(b, 4);
    } else if (word == "Date") {
      ++p_;
      std::uint8_t b[8];
      if (Peek() == '$') {
        Hex(8, b);
      } else {
        double d = Float<double>();
        std::memcpy(b, &d, 8);
      }
      w_.WriteValue(TagDate);
      w_.Write(b, 8);
    } else if (word == "Currency") {
      ++p_;
      w_.WriteValue(TagCurrency);
      WriteLE(static_cast<std::uint64_t>(Currency()), 8);
    } else if (word == "WideString") {
      ++p_;
      std::u16string s = Text(65535);
      w_.WriteValue(TagWideString);
      WriteLE(s.size(), 4);
      for (char16_t c : s) WriteLE(c, 2);
    } else {
      return false;
    }
    Expect(')');
    return true;
  }
  // A decimal with up to four places, as the value x 10,000.
  std::int64_t Currency() {
    SkipSpace();
    bool negative = false;
    if (p_ < s_.size() && (s_[p_] == '-' || s_[p_] == '+')) negative = s_[p_++] == '-';
    std::uint64_t v = 0;
    int places = -1, digits = 0;
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    for (; p_ < s_.size(); ++p_) {
      char c = s_[p_];
      if (c == '.' && places < 0) {
        places = 0;
        continue;
      }
      if (!IsDigit(c)) break;
      if (places >= 4) Fail("a currency value has at most four decimal places");
      if (places >= 0) ++places;
      ++digits;
      const auto digit = static_cast<std::uint64_t>(c - '0');
      if (v > (kLimit - digit) / 10) Fail("currency value out of range");
      v = v * 10 + digit;
    }
    if (digits == 0) Fail("expected a currency value");
    for (int i = places < 0 ? 0 : places; i < 4; ++i) {
      if (v > kLimit / 10) Fail("currency value out of range");
      v *= 10;
    }
    if (v > kLimit - (negative ? 0 : 1)) Fail("currency value out of range");
    return negative ? static_cast<std::int64_t>(0 - v) : static_cast<std::int64_t>(v);
  }

  void Value(bool inList) {
    const char c = Peek();
    if (c == '\'' || c == '#') {
      w_.WriteString(Bytes());
    } else if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
      std::size_t e = p_;
      if (s_[e] == '-' || s_[e] == '+') ++e;
      while (e < s_.size() && (IsDigit(s_[e]) || IsOneOf(s_[e], ".eE"))) {
        if (s_[e] == '.' || s_[e] == 'e' || s_[e] == 'E') {
          w_.WriteFloat(Float<double>());
          return;
        }
        ++e;
      }
      w_.WriteInteger(Integer(INT32_MIN, INT64_C(0xFFFFFFFF)));
    } else if (c == '(') {
      ++p_;
      Nested();
      w_.WriteListBegin();
      while (Peek() != ')') {
        if (p_ >= s_.size()) Fail("expected \")\"");
        Value(true);
      }
      ++p_;
      w_.WriteListEnd();
      --depth_;
    } else if (c == '{') {
      ++p_;
      std::string bytes;
      for (;;) {
        char h = Peek();
        if (h == '}') break;
        if (p_ + 1 >= s_.size() || !IsHex(h) || !IsHex(s_[p_ + 1])) Fail("expected hexadecimal bytes or \"}\"");
        bytes.push_back(static_cast<char>(HexValue(h) * 16 + HexValue(s_[p_ + 1])));
        p_ += 2;
      }
      ++p_;
      w_.WriteBinary(bytes.data(), bytes.size());
    } else if (c == '[') {
      ++p_;
      w_.WriteValue(TagSet);
      if (Peek() != ']') {
        for (;;) {
          std::string element = NameToken();
          if (element.empty()) Fail("a set element needs a name");
          w_.WriteStr(element);
          if (Peek() != ',') break;
          ++p_;
        }
      }
      Expect(']');
      w_.WriteStr("");
    } else if (c == '<') {
      ++p_;
      Nested();
      w_.WriteValue(TagCollection);
      for (;;) {
        std::string word = Word();
        if (word.empty() && Peek() == '>') break;
        if (word != "item") Fail("expected \"item\" or \">\"");
        if (Peek() == '[') w_.WriteInteger(Position());
        w_.WriteListBegin();
        while (PropertyFollows()) Property();
        if (Word() != "end") Fail("expected a property or \"end\"");
        w_.WriteListEnd();
      }
      ++p_;
      w_.WriteListEnd();
      --depth_;
    } else if (AtWord()) {
      std::string word = Word();
      if (Function(word)) return;
      if (word.size() > 255) Fail("an identifier is longer than 255 bytes");
      if (inList && word == "Null") Fail("Null would end the list; write Ident('Null')");
      w_.WriteIdent(word);
    } else {
      Fail("expected a value");
    }
  }
  void Nested() {
    if (++depth_ > kMaxStreamNesting + 1) Fail("values nested deeper than 256 levels");
  }

  std::string_view s_;
  TWriter& w_;
  std::size_t p_ = 0;
  int line_ = 1;
  int depth_ = 0;
};

}  // namespace

void TextToComponentStream(std::string_view text, TStream& out) {
  TWriter w(out);
  Parser p(text, w);
  p.Run();
}

}  // namespace qs
