// The text form of a component stream: binary to text.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "core/streams.h"
#include "stream/component.h"
#include "stream/textform.h"
#include "stream/valuereader.h"

namespace qs {

namespace {

// A plain name: identifiers joined by ".".
bool IsPlainName(std::string_view s) {
  for (std::size_t start = 0;;) {
    const std::size_t dot = s.find('.', start);
    const std::string_view part = s.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (part.empty() || !IsValidComponentName(part)) return false;
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

bool IsReservedIdent(std::string_view s) { return s == "False" || s == "True" || s == "nil" || s == "Null"; }

// 'text' with '' for a quote; other bytes than printable ASCII as #N.
template <class Char>
std::string Quote(std::basic_string_view<Char> s) {
  std::string r;
  bool open = false;
  for (Char ch : s) {
    auto c = static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(ch));
    if (c >= 32 && c < 127) {
      if (!open) r.push_back('\'');
      open = true;
      if (c == '\'') r.push_back('\'');
      r.push_back(static_cast<char>(c));
    } else {
      if (open) r.push_back('\'');
      open = false;
      r += "#" + std::to_string(c);
    }
  }
  if (open) r.push_back('\'');
  if (r.empty()) r = "''";
  return r;
}

std::string Name(std::string_view s) { return IsPlainName(s) ? std::string(s) : Quote(s); }

std::string Hex(const std::uint8_t* p, std::size_t n) {
  static const char digits[] = "0123456789ABCDEF";
  std::string r;
  for (std::size_t i = 0; i < n; ++i) {
    r.push_back(digits[p[i] >> 4]);
    r.push_back(digits[p[i] & 15]);
  }
  return r;
}

// The shortest text that reads back as the same number, always with "." or "e".
template <class F>
std::string Number(F v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  std::string r(buf, res.ptr);
  if (r.find_first_of(".e") == std::string::npos) r += ".0";
  return r;
}

// ---- binary to text ------------------------------------------------------------------------

class Dumper : public TValueReader {
 public:
  Dumper(TStream& in, std::string& out) : TValueReader(in), out_(out) {}

  void Run() {
    try {
      char signature[4];
      Read(signature, 4);
      if (std::memcmp(signature, kStreamSignature, 4) != 0) throw EReadError(std::string(kMsgInvalidStream));
      Component(0);
    } catch (...) {
      try {
        FixupPosition();
      } catch (...) {
      }
      throw;
    }
    FixupPosition();
  }

 private:
  void Indent(int level) { out_.append(static_cast<std::size_t>(level) * 2, ' '); }

  void Component(int level) {
    unsigned flags = 0;
    std::optional<std::int32_t> position;
    std::uint8_t b = NextValue();
    if ((b & kPrefixMask) == kPrefixMask) {
      ReadByte();
      flags = b & 0x0F;
      if (flags & kFlagChildPos) position = ReadInteger();
    }
    const std::string cls = ReadStr();
    const std::string name = ReadStr();
    Indent(level);
    out_ += (flags & kFlagExisting) ? "inherited " : "object ";
    if (!name.empty()) out_ += Name(name) + ": ";
    out_ += Name(cls);
    if (position) out_ += " [" + std::to_string(*position) + "]";
    out_ += "\n";
    Properties(level + 1);
    while (!EndOfList()) {
      Nest nest(*this);
      Component(level + 1);
    }
    ReadByte();
    Indent(level);
    out_ += "end\n";
  }

  void Properties(int level) {
    while (!EndOfList()) {
      const std::string name = ReadStr();
      Indent(level);
      out_ += Name(name) + " = ";
      Value(level);
      out_ += "\n";
    }
    ReadByte();
  }

  void Ident(const std::string& s) {
    if (IsPlainName(s) && !IsReservedIdent(s))
      out_ += s;
    else
      out_ += "Ident(" + Quote(std::string_view(s)) + ")";
  }

  void Value(int level) {
    const std::uint8_t tag = ReadValue();
    if (tag & 0x80) {
      // Only an identifier can be read from a tag with its top bit set, and it reads as though
      // the bit were clear.
      switch (tag & 0x7F) {
        case TagIdent:
          return Ident(ReadStr());
        case TagFalse:
          return Ident("False");
        case TagTrue:
          return Ident("True");
        case TagNil:
          return Ident("nil");
        case TagNull:
          return Ident("Null");
        default:
          InvalidValue();
      }
    }
    switch (tag) {
      case TagNull:
        out_ += "Null";
        return;
      case TagList:
        return List(level);
      case TagInt8:
        out_ += std::to_string(static_cast<std::int8_t>(ReadByte()));
        return;
      case TagInt16: {
        std::uint8_t b[2];
        Read(b, 2);
        out_ += std::to_string(static_cast<std::int16_t>(b[0] | (b[1] << 8)));
        return;
      }
      case TagInt32:
        out_ += std::to_string(static_cast<std::int32_t>(ReadU32()));
        return;
      case TagExtended: {
        std::uint8_t b[10], back[10];
        Read(b, 10);
        const double d = ExtendedToDouble(b);
        DoubleToExtended(d, back);
        if (std::isfinite(d) && std::memcmp(b, back, 10) == 0)
          out_ += Number(d);
        else
          out_ += "Extended($" + Hex(b, 10) + ")";
        return;
      }
      case TagString:
        out_ += Quote(std::string_view(ReadStr()));
        return;
      case TagIdent:
        return Ident(ReadStr());
      case TagFalse:
        out_ += "False";
        return;
      case TagTrue:
        out_ += "True";
        return;
      case TagNil:
        out_ += "nil";
        return;
      case TagBinary:
        return Binary(level, ReadLength(false, 1));
      case TagSet: {
        out_ += "[";
        bool first = true;
        for (std::string element; !(element = ReadStr()).empty(); first = false)
          out_ += (first ? "" : ", ") + Name(element);
        out_ += "]";
        return;
      }
      case TagLongString: {
        std::string s(ReadLength(true, 1), '\0');
        Read(s.data(), s.size());
        out_ += Quote(std::string_view(s));
        return;
      }
      case TagCollection:
        return Collection(level);
      case TagSingle: {
        std::uint8_t b[4];
        Read(b, 4);
        float f;
        std::memcpy(&f, b, 4);  // the stream's little-endian bytes are the host's
        out_ += std::isfinite(f) ? "Single(" + Number(f) + ")" : "Single($" + Hex(b, 4) + ")";
        return;
      }
      case TagCurrency: {
        const auto v = static_cast<std::int64_t>(ReadU64());
        const std::uint64_t mag = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        std::string frac = std::to_string(mag % 10000);
        out_ += "Currency(" + std::string(v < 0 ? "-" : "") + std::to_string(mag / 10000) + "." +
                std::string(4 - frac.size(), '0') + frac + ")";
        return;
      }
      case TagDate: {
        std::uint8_t b[8];
        Read(b, 8);
        double d;
        std::memcpy(&d, b, 8);
        out_ += std::isfinite(d) ? "Date(" + Number(d) + ")" : "Date($" + Hex(b, 8) + ")";
        return;
      }
      case TagWideString: {
        // Reading the stream first keeps the string within the bytes present.
        std::u16string s(ReadLength(true, 2), u'\0');
        for (char16_t& c : s) {
          std::uint8_t b[2];
          Read(b, 2);
          c = static_cast<char16_t>(b[0] | (b[1] << 8));
        }
        out_ += "WideString(" + Quote(std::u16string_view(s)) + ")";
        return;
      }
      default:
        InvalidValue();
    }
  }

  void List(int level) {
    Nest nest(*this);
    out_ += "(";
    if (EndOfList()) {
      ReadByte();
      out_ += ")";
      return;
    }
    out_ += "\n";
    while (!EndOfList()) {
      Indent(level + 1);
      Value(level + 1);
      out_ += "\n";
    }
    ReadByte();
    Indent(level);
    out_ += ")";
  }

  void Binary(int level, std::size_t size) {
    out_ += "{";
    if (size == 0) {
      out_ += "}";
      return;
    }
    out_ += "\n";
    std::uint8_t line[32];
    while (size > 0) {
      std::size_t n = size < sizeof line ? size : sizeof line;
      Read(line, n);
      Indent(level + 1);
      out_ += Hex(line, n) + "\n";
      size -= n;
    }
    Indent(level);
    out_ += "}";
  }

  void Collection(int level) {
    Nest nest(*this);
    out_ += "<";
    if (EndOfList()) {
      ReadByte();
      out_ += ">";
      return;
    }
    out_ += "\n";
    while (!EndOfList()) {
      Indent(level + 1);
      out_ += "item";
      ValueTag t = NextValue();
      if (t == TagInt8 || t == TagInt16 || t == TagInt32) out_ += " [" + std::to_string(ReadInteger()) + "]";
      out_ += "\n";
      ReadListBegin();
      Properties(level + 2);
      Indent(level + 1);
      out_ += "end\n";
    }
    ReadByte();
    Indent(level);
    out_ += ">";
  }

  std::string& out_;
};

}  // namespace

void DumpComponentStream(TStream& in, std::string& out) {
  Dumper d(in, out);
  d.Run();
}

std::string ComponentStreamToText(TStream& in) {
  std::string out;
  DumpComponentStream(in, out);
  return out;
}

}  // namespace qs
