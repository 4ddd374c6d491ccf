#include "stream/reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"

namespace qs {

// ---- components ----------------------------------------------------------------------------

namespace {
int IndexOfName(const TypeInfo* type, std::string_view name) {
  if (!type) return -1;
  for (std::size_t i = 0; i < type->names.size(); ++i)
    if (SameTextAZ(type->names[i], name)) return static_cast<int>(i);
  return -1;
}

// Restores a variable when the scope ends, however it ends.
template <class T>
class Restore {
 public:
  explicit Restore(T& var) : var_(var), saved_(var) {}
  ~Restore() { var_ = std::move(saved_); }
  Restore(const Restore&) = delete;
  Restore& operator=(const Restore&) = delete;

 private:
  T& var_;
  T saved_;
};
}  // namespace

TReader::TReader(TStream& stream, TComponent& root)
    : TValueReader(stream), root_(root), owner_(&root), parent_(&root) {}

void TReader::ReadRootComponent() {
  try {
    char signature[4];
    Read(signature, 4);
    if (std::memcmp(signature, kStreamSignature, 4) != 0) throw EReadError(std::string(kMsgInvalidStream));
    unsigned flags;
    std::int32_t position;
    ReadPrefix(flags, position);  // flags have no effect on the root
    ReadStr();                    // the root's class: a stream applies to the root whatever class it names
    // Nothing relies on the root's name; it is taken when it is a valid one, so that writing the
    // root again gives it back, and otherwise left as it was.
    const std::string rootName = ReadStr();
    if (!rootName.empty() && IsValidComponentName(rootName)) {
      try {
        root_.SetName(rootName);
      } catch (const Exception&) {
        // the root's owner has another component of that name: the root keeps its own
      }
    }
    root_.SetState(root_.State() | csLoading | csReading);
    loaded_.push_back(&root_);
    ReadState(root_);
    ResolveFixups();
    root_.SetState(root_.State() & ~csReading);
  } catch (...) {
    try {
      FixupPosition();
    } catch (...) {
    }
    fixups_.clear();  // references not yet resolved are dropped
    FinishLoading(false);
    throw;
  }
  FixupPosition();
  FinishLoading(true);
}

// The components read are loaded once the read ends: the root first, then the others in the
// order their records were read. After a failure the same happens for what was read before
// it, so that nothing stays marked as loading for good (the form is shown with them).
void TReader::FinishLoading(bool succeeded) {
  std::vector<TComponent*> list;
  list.swap(loaded_);
  for (TComponent* c : list) c->SetState(c->State() & ~csReading);
  for (TComponent* c : list) {
    if (succeeded) {
      c->Loaded();
    } else {
      try {
        c->Loaded();
      } catch (...) {
      }
    }
    c->SetState(c->State() & ~csLoading);
  }
}

void TReader::ReadPrefix(unsigned& flags, std::int32_t& position) {
  flags = 0;
  position = 0;
  std::uint8_t b = NextValue();
  if ((b & kPrefixMask) != kPrefixMask) return;
  ReadByte();
  flags = b & 0x0F;  // bits 2 and 3 carry nothing the reader uses
  if (flags & kFlagChildPos) position = ReadInteger();
}

void TReader::ReadState(TComponent& component) {
  while (!EndOfList()) ReadProperty(component);
  ReadByte();
  Restore<TComponent*> keepOwner(owner_);
  Restore<TComponent*> keepParent(parent_);
  owner_ = component.ChildOwner(&root_);
  if (!owner_) owner_ = &root_;
  parent_ = &component;
  while (!EndOfList()) ReadComponent();
  ReadByte();
}

const ClassInfo& TReader::FindClass(const std::string& name) const {
  // First the classes of the root's published component fields, then the registry.
  for (const ClassInfo* ci = &root_.Info(); ci; ci = ci->parent)
    for (const FieldInfo& f : ci->fields)
      if (f.cls && f.cls->create && SameTextAZ(f.cls->name, name)) return *f.cls;
  const ClassInfo* registered = ClassRegistry::Find(name);
  if (registered && registered->create) return *registered;
  throw EClassNotFound(Format(kMsgClassNotFound, name));
}

void TReader::ReadComponent() {
  Nest nest(*this);
  unsigned flags;
  std::int32_t position;
  ReadPrefix(flags, position);
  const std::string className = ReadStr();
  const std::string name = ReadStr();
  const bool existing = (flags & kFlagExisting) != 0;
  const std::size_t mark = created_.size();
  // An existing component is read inside its own parent; the siblings after it keep this one.
  Restore<TComponent*> keepParent(parent_);
  TComponent* c;
  if (existing) {
    FindClass(className);
    c = root_.FindComponent(name);
    if (!c) throw EReadError(Format(kMsgAncestorNotFound, name));
    parent_ = c->ParentComponent() ? c->ParentComponent() : &root_;
    c->SetState(c->State() | csLoading);
  } else {
    const ClassInfo& cls = FindClass(className);
    c = cls.create(owner_);
    if (!c) throw EClassNotFound(Format(kMsgClassNotFound, className));
    created_.push_back(c);
    try {
      c->SetState(c->State() | csLoading);
      c->SetParentComponent(parent_);
      c->SetName(name);
    } catch (...) {
      DestroyCreatedFrom(mark);
      throw;
    }
  }
  try {
    c->SetState(c->State() | csReading);
    ReadState(*c);
    c->SetState(c->State() & ~csReading);
    if (flags & kFlagChildPos) parent_->SetChildOrder(c, position);
  } catch (...) {
    if (existing) {
      // Not ours to destroy: it keeps what it got and is finished with the others.
      c->SetState(c->State() & ~csReading);
      if (std::find(loaded_.begin(), loaded_.end(), c) == loaded_.end()) loaded_.push_back(c);
    } else {
      DestroyCreatedFrom(mark);
    }
    throw;
  }
  if (!existing || std::find(loaded_.begin(), loaded_.end(), c) == loaded_.end()) loaded_.push_back(c);
}

// Destroys, newest first, what this read created since mark: a component goes after everything
// created inside it, so none is destroyed twice.
void TReader::DestroyCreatedFrom(std::size_t mark) {
  while (created_.size() > mark) {
    TComponent* c = created_.back();
    created_.pop_back();
    loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), c), loaded_.end());
    delete c;
  }
}

void TReader::ReadProperty(TPersistent& instance) {
  const std::string path = ReadStr();
  try {
    ReadPropertyPath(instance, path);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    auto* component = dynamic_cast<TComponent*>(&instance);
    std::string object = component ? component->Name() : std::string();
    if (object.empty()) object = std::string(instance.ClassName());
    throw EReadError(PropertyErrorText(object, path, e.what()));
  }
}

void TReader::ReadPropertyPath(TPersistent& instance, const std::string& path) {
  TPersistent* object = &instance;
  std::size_t start = 0;
  for (std::size_t dot; (dot = path.find('.', start)) != std::string::npos; start = dot + 1) {
    const PropInfo* p = object->Info().FindProp(std::string_view(path).substr(start, dot - start));
    if (!p) throw EReadError(std::string(kMsgUnknownProperty));
    TPersistent* next = p->kind == PropKind::Object && p->get ? p->get(*object).obj : nullptr;
    if (!next) throw EReadError(std::string(kMsgInvalidPropertyPath));
    object = next;
  }
  const std::string last = path.substr(start);
  if (const PropInfo* p = last.empty() ? nullptr : object->Info().FindProp(last)) {
    ReadPropValue(*object, *p);
    return;
  }
  // Not published: offered to the object's defined properties.
  Restore<std::string> keepName(definedName_);
  Restore<bool> keepTaken(definedTaken_);
  definedName_ = last;
  definedTaken_ = false;
  object->DefineProperties(*this);
  if (!definedTaken_) throw EReadError(std::string(kMsgUnknownProperty));
}

void TReader::DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                             const std::function<void(TWriter&)>&, bool) {
  if (definedTaken_ || definedName_.empty() || !read || !SameTextAZ(name, definedName_)) return;
  definedTaken_ = true;
  definedName_.clear();  // nothing below this value takes the name again
  read(*this);
}

void TReader::DefineBinaryProperty(std::string_view name, const std::function<void(TStream&)>& read,
                                   const std::function<void(TStream&)>&, bool) {
  if (definedTaken_ || definedName_.empty() || !read || !SameTextAZ(name, definedName_)) return;
  definedTaken_ = true;
  definedName_.clear();
  if (ReadValue() != TagBinary) InvalidValue();
  // The bytes go whole, in a stream of their own, to the property's reader; reading goes on
  // after them however many it takes.
  TMemoryStream data;
  const std::size_t length = ReadLength(false, 1);  // checked against the bytes present
  data.Reserve(length);
  ReadInto(data, length);
  data.SetPosition(0);
  try {
    read(data);
  } catch (const EReadError& e) {
    // The value's bytes ended before its reader was done: the reader's own text, not the runtime's.
    if (e.what() != kMsgReadError) throw;
    throw EReadError(std::string(kMsgStreamRead));
  }
}

void TReader::ReadPropValue(TPersistent& instance, const PropInfo& prop) {
  if (!prop.set) throw EReadError(std::string(kMsgReadOnlyProperty));
  PropValue v;
  switch (prop.kind) {
    case PropKind::Integer:
      if (NextValue() == TagIdent) {
        const std::string ident = ReadIdent();
        const auto* constants = prop.type ? &prop.type->constants : nullptr;
        auto it = constants ? std::find_if(constants->begin(), constants->end(),
                                           [&](const auto& c) { return SameTextAZ(c.first, ident); })
                            : decltype(prop.type->constants.end()){};
        if (!constants || it == constants->end()) InvalidValue();
        v.i = it->second;
      } else {
        v.i = ReadInteger();
      }
      break;
    case PropKind::Char:
      v.i = static_cast<unsigned char>(ReadChar());
      break;
    case PropKind::Enumeration: {
      int index = IndexOfName(prop.type, ReadIdent());
      if (index < 0) InvalidValue();
      v.i = index;
      break;
    }
    case PropKind::Float:
      v.f = ReadFloat();
      break;
    case PropKind::String:
      v.s = ReadString();
      break;
    case PropKind::Set:
      if (ReadValue() != TagSet) InvalidValue();
      for (std::string element; !(element = ReadStr()).empty();) {
        int index = IndexOfName(prop.type, element);
        if (index < 0) InvalidValue();
        if (index <= 31) v.i |= std::int64_t{1} << index;
      }
      break;
    case PropKind::Object: {
      const ValueTag tag = NextValue();
      if (tag == TagNil) {
        ReadValue();
        // A later value wins: a reference recorded before for this property is forgotten.
        fixups_.erase(std::remove_if(fixups_.begin(), fixups_.end(),
                                     [&](const Fixup& f) { return f.instance == &instance && f.prop == &prop; }),
                      fixups_.end());
        break;
      }
      if (tag == TagCollection) {
        ReadValue();
        auto* collection = prop.get ? dynamic_cast<TCollection*>(prop.get(instance).obj) : nullptr;
        if (!collection) InvalidValue();
        ReadCollection(*collection);  // filled in place, the setter is not called
        return;
      }
      // A reference by name, resolved once the whole stream is read.
      std::string name = ReadIdent();
      fixups_.push_back({&instance, &prop, std::move(name), items_});
      return;
    }
    case PropKind::Event: {
      if (NextValue() == TagNil) {
        ReadValue();
        break;
      }
      const MethodInfo* method = root_.Info().FindMethod(ReadIdent());
      if (!method) InvalidValue();
      TComponent* root = &root_;
      v.event.name = std::string(method->name);
      v.event.call = [root, method](TPersistent* sender) { method->call(*root, sender); };
      break;
    }
    case PropKind::Variant:
      v = ReadVariant();
      break;
  }
  prop.set(instance, v);
}

PropValue TReader::ReadVariant() {
  PropValue v;
  switch (NextValue()) {
    case TagNull:
      ReadValue();
      v.var = VarType::Null;
      break;
    case TagNil:
      ReadValue();
      v.var = VarType::Unassigned;
      break;
    case TagInt8:
    case TagInt16:
    case TagInt32:
      v.i = ReadInteger();
      v.var = VarType::Integer;
      break;
    case TagExtended:
      v.f = ReadFloat();
      v.var = VarType::Double;
      break;
    case TagString:
    case TagLongString:
      v.s = ReadString();
      v.var = VarType::String;
      break;
    case TagWideString:
      v.s = WideToAnsi(ReadWideString());
      v.var = VarType::String;
      break;
    case TagFalse:
    case TagTrue:
      v.i = ReadBoolean();
      v.var = VarType::Boolean;
      break;
    case TagSingle: {
      ReadValue();
      std::uint32_t bits = ReadU32();
      float f;
      std::memcpy(&f, &bits, 4);
      v.f = f;
      v.var = VarType::Single;
      break;
    }
    case TagCurrency:
      ReadValue();
      v.i = static_cast<std::int64_t>(ReadU64());
      v.f = static_cast<double>(v.i) / 10000.0;
      v.var = VarType::Currency;
      break;
    case TagDate: {
      ReadValue();
      std::uint64_t bits = ReadU64();
      std::memcpy(&v.f, &bits, 8);
      v.var = VarType::Date;
      break;
    }
    default:
      ReadValue();
      InvalidValue();
  }
  return v;
}

void TReader::ReadCollection(TCollection& collection) {
  Nest nest(*this);
  collection.BeginUpdate();
  try {
    // Only a value with items replaces the items there are.
    if (!EndOfList()) {
      DropFixupsOf(collection);
      collection.Clear();
    }
    while (!EndOfList()) {
      ValueTag t = NextValue();
      if (t == TagInt8 || t == TagInt16 || t == TagInt32) ReadInteger();  // order value, unused
      TCollectionItem* item = collection.Add();
      if (!item) InvalidValue();
      ReadListBegin();
      Restore<std::vector<const TCollection*>> keepItems(items_);
      items_.push_back(&collection);
      while (!EndOfList()) ReadProperty(*item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    collection.EndUpdate();
    throw;
  }
  collection.EndUpdate();
}

void TReader::DropFixupsOf(const TCollection& collection) {
  // References recorded inside the items about to be freed would point at freed objects.
  fixups_.erase(std::remove_if(fixups_.begin(), fixups_.end(),
                               [&](const Fixup& f) {
                                 return std::find(f.items.begin(), f.items.end(), &collection) != f.items.end();
                               }),
                fixups_.end());
}

void TReader::ResolveFixups() {
  std::vector<Fixup> list;
  list.swap(fixups_);
  for (const Fixup& f : list) {
    if (f.name.find('.') != std::string::npos) continue;  // a component of another form
    TComponent* target = root_.FindComponent(f.name);
    if (!target && SameTextAZ(f.name, "Owner")) target = &root_;
    if (!target) continue;
    PropValue v;
    v.obj = target;
    f.prop->set(*f.instance, v);
  }
}

void ReadComponentStream(TStream& stream, TComponent& root) {
  TReader reader(stream, root);
  reader.ReadRootComponent();
}

}  // namespace qs
