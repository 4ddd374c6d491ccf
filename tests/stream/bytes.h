// Hand-made component streams for the tests: a small builder of the byte format.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/streams.h"
#include "stream/tags.h"

namespace qs::test {

struct Bytes {
  std::vector<std::uint8_t> v;

  Bytes& raw(std::initializer_list<int> bytes) {
    for (int b : bytes) v.push_back(static_cast<std::uint8_t>(b));
    return *this;
  }
  Bytes& text(std::string_view s) {
    v.insert(v.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& sig() { return text("TPF0"); }
  Bytes& s(std::string_view name) {  // counted string
    v.push_back(static_cast<std::uint8_t>(name.size()));
    return text(name);
  }
  Bytes& u32(std::uint32_t x) {
    return raw({int(x & 0xFF), int((x >> 8) & 0xFF), int((x >> 16) & 0xFF), int(x >> 24)});
  }
  Bytes& end() { return raw({0}); }
  Bytes& obj(std::string_view cls, std::string_view name) { return s(cls).s(name); }
  Bytes& i8(int x) { return raw({TagInt8, x & 0xFF}); }
  Bytes& i16(int x) { return raw({TagInt16, x & 0xFF, (x >> 8) & 0xFF}); }
  Bytes& i32(std::int32_t x) {
    raw({TagInt32});
    return u32(static_cast<std::uint32_t>(x));
  }
  Bytes& str(std::string_view t) {
    raw({TagString});
    return s(t);
  }
  Bytes& lstr(std::string_view t) {
    raw({TagLongString});
    u32(static_cast<std::uint32_t>(t.size()));
    return text(t);
  }
  Bytes& ident(std::string_view t) {
    raw({TagIdent});
    return s(t);
  }
  Bytes& bin(std::string_view data) {
    raw({TagBinary});
    u32(static_cast<std::uint32_t>(data.size()));
    return text(data);
  }
  Bytes& prop(std::string_view name) { return s(name); }
  // A whole root record "TPF0" TTestForm "TestForm" with the given property bytes and no children.
  static Bytes Root(const Bytes& props) {
    Bytes b;
    b.sig().obj("TTestForm", "TestForm");
    b.v.insert(b.v.end(), props.v.begin(), props.v.end());
    return b.end().end();
  }
  TMemoryStream Stream() const { return TMemoryStream(v); }
};

}  // namespace qs::test
