// A small JSON writer for the tool's machine-readable reports: one document, two-blank
// indentation, keys in the order they are written (so that the same input always gives the same
// bytes). Strings are escaped as RFC 8259 asks; bytes that are not UTF-8 come out as U+FFFD.
//
//   JsonWriter j;
//   j.BeginObject();
//   j.Key("format_version").Int(1);
//   j.Key("files").BeginArray().String("A.PRC").EndArray();
//   j.EndObject();
//   std::string text = j.Text();
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

class JsonWriter {
 public:
  JsonWriter& BeginObject() { return Open('{'); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('['); }
  JsonWriter& EndArray() { return Close(']'); }
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& Int(std::int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // The document, ending in a line break.
  std::string Text() const { return out_ + "\n"; }

  // A string's JSON form with its quotes.
  static std::string Quote(std::string_view utf8);

 private:
  JsonWriter& Open(char bracket);
  JsonWriter& Close(char bracket);
  void BeforeValue();
  void NewLine();

  std::string out_;
  struct Level {
    char bracket;
    int count;
  };
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace qs
