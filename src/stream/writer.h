// The component stream writer: writes a root component, its properties and its children in the
// form the reader accepts. Raises Exception when an object cannot be written as it stands (a
// name over 255 bytes, an integer beyond 32 bits, an enumeration value without a name).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/streams.h"
#include "stream/component.h"
#include "stream/tags.h"

namespace qs {

class TWriter : public TFiler {
 public:
  explicit TWriter(TStream& stream);
  TWriter(const TWriter&) = delete;
  TWriter& operator=(const TWriter&) = delete;
  ~TWriter() override = default;

  // "TPF0", then the root's record: its properties and, recursively, its children.
  void WriteRootComponent(TComponent& root);
  // One component record: class name, name, properties, a 0, its Children(), a 0.
  void WriteComponent(TComponent& component);
  // The published properties in declared order (bases first), then the defined ones.
  void WriteProperties(TPersistent& instance);
  // Tag 14 and the items (after the property name).
  void WriteCollection(TCollection& collection);
  // Writes out what is buffered. WriteRootComponent ends with it.
  void FlushBuffer();

  // Values, for defined-property writers.
  void WriteValue(ValueTag tag);
  void WriteInteger(std::int64_t value);    // smallest of tags 2, 3, 4; up to 0xFFFFFFFF as its 32 bits
  void WriteString(std::string_view text);  // tag 6, or 12 over 255 bytes
  void WriteIdent(std::string_view ident);  // tag 7; "False", "True", "nil", "Null" as tags 8, 9, 13, 0
  void WriteBoolean(bool value);            // tags 8, 9
  void WriteChar(char c);                   // tag 6 of one byte
  void WriteFloat(double value);            // tag 5
  void WriteListBegin() { WriteValue(TagList); }
  void WriteListEnd() { WriteValue(TagNull); }
  void WriteBinary(const void* data, std::size_t size);  // tag 10
  // Raw payload writes.
  void WriteStr(std::string_view text);  // a counted string
  void Write(const void* data, std::size_t size);

  void DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                      const std::function<void(TWriter&)>& write, bool hasData) override;
  void DefineBinaryProperty(std::string_view name, const std::function<void(TStream&)>& read,
                            const std::function<void(TStream&)>& write, bool hasData) override;

 private:
  void WriteProperty(TPersistent& instance, const PropInfo& prop);
  void WritePropName(std::string_view name);
  void WriteU32(std::uint32_t v);

  TStream& stream_;
  std::vector<std::uint8_t> buf_;
  TMemoryStream binary_;  // a binary value's bytes; its room is used again by the next one
  TComponent* root_ = nullptr;
  std::string path_;  // "Font." while the properties of a property's object are written
  int depth_ = 0;
};

// Writes root as a complete component stream at the stream's position.
void WriteComponentStream(TStream& stream, TComponent& root);

}  // namespace qs
