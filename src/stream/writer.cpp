#include "stream/writer.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"

namespace qs {

namespace {
constexpr std::size_t kBlock = 4096;

class Nest {
 public:
  explicit Nest(int& depth) : depth_(depth) {
    if (++depth_ > kMaxStreamNesting) {
      --depth_;
      throw Exception("cannot write objects nested deeper than 256 levels");
    }
  }
  ~Nest() { --depth_; }
  Nest(const Nest&) = delete;
  Nest& operator=(const Nest&) = delete;

 private:
  int& depth_;
};
}  // namespace

TWriter::TWriter(TStream& stream) : stream_(stream) { buf_.reserve(kBlock); }

void TWriter::FlushBuffer() {
  if (buf_.empty()) return;
  stream_.WriteBuffer(buf_.data(), buf_.size());
  buf_.clear();
}

void TWriter::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (buf_.size() + size > kBlock) {
    FlushBuffer();
    if (size >= kBlock) {
      stream_.WriteBuffer(p, size);
      return;
    }
  }
  buf_.insert(buf_.end(), p, p + size);
}

void TWriter::WriteValue(ValueTag tag) {
  std::uint8_t b = tag;
  Write(&b, 1);
}

void TWriter::WriteU32(std::uint32_t v) {
  std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  Write(b, 4);
}

void TWriter::WriteStr(std::string_view text) {
  if (text.size() > 255) throw Exception(Format("cannot write the name %s: longer than 255 bytes", text));
  std::uint8_t n = static_cast<std::uint8_t>(text.size());
  Write(&n, 1);
  Write(text.data(), text.size());
}

void TWriter::WriteInteger(std::int64_t value) {
  if (value < INT32_MIN || value > INT64_C(0xFFFFFFFF))
    throw Exception(Format("cannot write %s: no integer tag holds it", std::to_string(value)));
  // Unsigned 32-bit values (colours such as 0x8000000F) are stored as their bits.
  const auto v = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  if (v >= INT8_MIN && v <= INT8_MAX) {
    WriteValue(TagInt8);
    std::uint8_t b = static_cast<std::uint8_t>(v);
    Write(&b, 1);
  } else if (v >= INT16_MIN && v <= INT16_MAX) {
    WriteValue(TagInt16);
    std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    Write(b, 2);
  } else {
    WriteValue(TagInt32);
    WriteU32(static_cast<std::uint32_t>(v));
  }
}

void TWriter::WriteString(std::string_view text) {
  if (text.size() <= 255) {
    WriteValue(TagString);
    WriteStr(text);
  } else {
    if (text.size() > INT32_MAX) throw Exception("cannot write a text of 2 GB or more");
    WriteValue(TagLongString);
    WriteU32(static_cast<std::uint32_t>(text.size()));
    Write(text.data(), text.size());
  }
}

void TWriter::WriteIdent(std::string_view ident) {
  if (ident == "False") return WriteValue(TagFalse);
  if (ident == "True") return WriteValue(TagTrue);
  if (ident == "nil") return WriteValue(TagNil);
  if (ident == "Null") return WriteValue(TagNull);
  WriteValue(TagIdent);
  WriteStr(ident);
}

void TWriter::WriteBoolean(bool value) { WriteValue(value ? TagTrue : TagFalse); }

void TWriter::WriteChar(char c) {
  WriteValue(TagString);
  WriteStr(std::string_view(&c, 1));
}

void TWriter::WriteFloat(double value) {
  WriteValue(TagExtended);
  std::uint8_t b[10];
  DoubleToExtended(value, b);
  Write(b, 10);
}

void TWriter::WriteBinary(const void* data, std::size_t size) {
  if (size > UINT32_MAX) throw Exception("cannot write a binary value of 4 GB or more");
  WriteValue(TagBinary);
  WriteU32(static_cast<std::uint32_t>(size));
  Write(data, size);
}

void TWriter::WritePropName(std::string_view name) {
  std::string full = path_;
  full.append(name);
  WriteStr(full);
}

void TWriter::DefineProperty(std::string_view name, const std::function<void(TReader&)>&,
                             const std::function<void(TWriter&)>& write, bool hasData) {
  if (!hasData || !write) return;
  WritePropName(name);
  write(*this);
}

void TWriter::DefineBinaryProperty(std::string_view name, const std::function<void(TStream&)>&,
                                   const std::function<void(TStream&)>& write, bool hasData) {
  if (!hasData || !write) return;
  WritePropName(name);
  binary_.Clear();
  write(binary_);
  WriteBinary(binary_.Data(), binary_.Bytes().size());
}

void TWriter::WriteRootComponent(TComponent& root) {
  root_ = &root;
  Write(kStreamSignature, 4);
  WriteComponent(root);
  FlushBuffer();
}

void TWriter::WriteComponent(TComponent& component) {
  if (!root_) root_ = &component;
  // Children nest, as the reader counts them; the root does not.
  std::optional<Nest> nest;
  if (&component != root_) nest.emplace(depth_);
  WriteStr(component.ClassName());
  WriteStr(component.Name());
  WriteProperties(component);
  WriteListEnd();
  for (TComponent* child : component.Children())
    if (child) WriteComponent(*child);
  WriteListEnd();
}

void TWriter::WriteProperties(TPersistent& instance) {
  std::vector<const ClassInfo*> chain;
  for (const ClassInfo* ci = &instance.Info(); ci; ci = ci->parent) chain.push_back(ci);
  const ClassInfo& info = instance.Info();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const PropInfo& p : (*it)->props) {
      // A property that a derived class declares again is written once, by its newest declaration,
      // at the place of its first.
      const PropInfo* newest = info.FindProp(p.name);
      bool first = true;
      for (auto base = chain.rbegin(); base != it && first; ++base)
        for (const PropInfo& q : (*base)->props)
          if (SameTextAZ(q.name, p.name)) first = false;
      if (first && newest) WriteProperty(instance, *newest);
    }
  instance.DefineProperties(*this);
}

void TWriter::WriteProperty(TPersistent& instance, const PropInfo& prop) {
  if (!prop.get) return;
  if (prop.stored && !prop.stored(instance)) return;
  // Only what the reader can set again is written; an object property without a setter is
  // still walked into ("Font.Name").
  if (!prop.set && prop.kind != PropKind::Object) return;
  const PropValue v = prop.get(instance);
  switch (prop.kind) {
    case PropKind::Integer: {
      if (prop.type) {
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(v.i));
        for (const auto& [name, value] : prop.type->constants)
          if (value == bits && v.i >= INT32_MIN && v.i <= INT64_C(0xFFFFFFFF)) {
            WritePropName(prop.name);
            WriteValue(TagIdent);
            WriteStr(name);
            return;
          }
      }
      WritePropName(prop.name);
      WriteInteger(v.i);
      return;
    }
    case PropKind::Char:
      WritePropName(prop.name);
      WriteChar(static_cast<char>(v.i));
      return;
    case PropKind::Enumeration:
      if (!prop.type || v.i < 0 || v.i >= static_cast<std::int64_t>(prop.type->names.size()))
        throw Exception(Format("cannot write %s: the value has no name", prop.name));
      WritePropName(prop.name);
      WriteIdent(prop.type->names[static_cast<std::size_t>(v.i)]);
      return;
    case PropKind::Float:
      WritePropName(prop.name);
      WriteFloat(v.f);
      return;
    case PropKind::String:
      WritePropName(prop.name);
      WriteString(v.s);
      return;
    case PropKind::Set:
      WritePropName(prop.name);
      WriteValue(TagSet);
      if (prop.type)
        for (std::size_t i = 0; i < prop.type->names.size() && i < 32; ++i)
          if (v.i & (std::int64_t{1} << i)) WriteStr(prop.type->names[i]);
      WriteStr("");
      return;
    case PropKind::Object: {
      if (!v.obj) return;
      if (auto* component = dynamic_cast<TComponent*>(v.obj)) {
        if (!prop.set) return;
        std::string name;
        if (component == root_) {
          name = "Owner";
        } else if (component->Name().empty()) {
          return;  // a component without a name cannot be referred to
        } else if (component->Owner() == root_ || !component->Owner()) {
          name = component->Name();
        } else if (!component->Owner()->Name().empty()) {
          name = component->Owner()->Name() + "." + component->Name();
        } else {
          return;
        }
        WritePropName(prop.name);
        WriteValue(TagIdent);
        WriteStr(name);
        return;
      }
      if (auto* collection = dynamic_cast<TCollection*>(v.obj)) {
        if (!prop.set) return;
        WritePropName(prop.name);
        WriteCollection(*collection);
        return;
      }
      // An object of the property's own: its values follow under "Prop.".
      Nest nest(depth_);
      const std::string saved = path_;
      path_ += std::string(prop.name) + ".";
      try {
        WriteProperties(*v.obj);
      } catch (...) {
        path_ = saved;
        throw;
      }
      path_ = saved;
      return;
    }
    case PropKind::Event:
      if (v.event.name.empty()) return;
      WritePropName(prop.name);
      WriteValue(TagIdent);
      WriteStr(v.event.name);
      return;
    case PropKind::Variant:
      switch (v.var) {
        case VarType::Unassigned:
          return;
        case VarType::Null:
          WritePropName(prop.name);
          WriteValue(TagNull);
          return;
        case VarType::Integer:
          WritePropName(prop.name);
          WriteInteger(v.i);
          return;
        case VarType::Boolean:
          WritePropName(prop.name);
          WriteBoolean(v.i != 0);
          return;
        case VarType::Double:
          WritePropName(prop.name);
          WriteFloat(v.f);
          return;
        case VarType::Single: {
          WritePropName(prop.name);
          WriteValue(TagSingle);
          float f = static_cast<float>(v.f);
          std::uint32_t bits;
          std::memcpy(&bits, &f, 4);
          WriteU32(bits);
          return;
        }
        case VarType::Currency:
        case VarType::Date: {
          WritePropName(prop.name);
          WriteValue(v.var == VarType::Currency ? TagCurrency : TagDate);
          std::uint64_t bits;
          if (v.var == VarType::Currency)
            bits = static_cast<std::uint64_t>(v.i);
          else
            std::memcpy(&bits, &v.f, 8);
          WriteU32(static_cast<std::uint32_t>(bits));
          WriteU32(static_cast<std::uint32_t>(bits >> 32));
          return;
        }
        case VarType::String:
          WritePropName(prop.name);
          WriteString(v.s);
          return;
      }
      return;
  }
}

void TWriter::WriteCollection(TCollection& collection) {
  Nest nest(depth_);
  WriteValue(TagCollection);
  const std::string saved = path_;
  path_.clear();  // an item's property names start afresh
  try {
    for (int i = 0; i < collection.Count(); ++i) {
      WriteListBegin();
      WriteProperties(*collection.Item(i));
      WriteListEnd();
    }
  } catch (...) {
    path_ = saved;
    throw;
  }
  path_ = saved;
  WriteListEnd();
}

void WriteComponentStream(TStream& stream, TComponent& root) {
  TWriter writer(stream);
  writer.WriteRootComponent(root);
}

}  // namespace qs
