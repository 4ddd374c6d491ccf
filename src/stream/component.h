// The object model that component streams are read onto and written from.
//
// Reflection is data: every readable class publishes a ClassInfo table - its name, its base, its
// published properties in declaration order (name, kind, type names, setter, getter) and, for a
// form, its published component fields and handlers. Defined properties (values that are not
// published properties, such as "Picture.Data" or "TPFData") come from DefineProperties().
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qs {

class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TStream;
class TReader;
class TWriter;

enum class PropKind { Integer, Char, Enumeration, Float, String, Set, Object, Event, Variant };

// Names that belong to a property's type: the values of an enumeration (in order, the first is
// 0), the elements of a set (element i is bit i), or the named constants of an integer type.
struct TypeInfo {
  std::string_view name;
  std::vector<std::string_view> names;
  std::vector<std::pair<std::string_view, std::int32_t>> constants;
};
extern const TypeInfo kBooleanType;  // False, True

// A handler bound to an event: the name it was bound by (what a writer stores) and the call.
struct TNotifyEvent {
  std::string name;
  std::function<void(TPersistent* sender)> call;
  explicit operator bool() const { return static_cast<bool>(call); }
  void operator()(TPersistent* sender) const {
    if (call) call(sender);
  }
};

// What a value of a Variant property holds (the stream's tags 0, 2 to 6, 8, 9, 12, 13, 15 to 18).
enum class VarType { Unassigned, Null, Integer, Boolean, Single, Double, Currency, Date, String };

// One property value as it travels between the reader/writer and a setter/getter.
struct PropValue {
  std::int64_t i = 0;          // Integer, Char, Enumeration (ordinal, Boolean 0/1), Set (bits)
  double f = 0;                // Float
  std::string s;               // String
  TPersistent* obj = nullptr;  // Object
  TNotifyEvent event;          // Event
  // Variant: the type, with the value in i (Integer, Boolean 0/1, Currency as value x 10,000),
  // f (Single, Double, Date; Currency also as its value) or s (String; wide text comes as ANSI).
  VarType var = VarType::Unassigned;
};

// What a property table holds: plain functions, so that a class table has no captured state.
using PropSetter = void (*)(TPersistent&, const PropValue&);
using PropGetter = PropValue (*)(TPersistent&);
using PropStored = bool (*)(TPersistent&);

struct PropInfo {
  std::string_view name;
  PropKind kind = PropKind::Integer;
  const TypeInfo* type = nullptr;
  // Null: read-only. The reader refuses a read-only property before reading its value - even an
  // object property holding a collection, which it fills in place without calling the setter.
  // An object property's setter also receives obj == nullptr (the stream's "nil").
  PropSetter set = nullptr;
  // Required for Object kinds: the reader walks "Font.Name" and fills collections through it.
  PropGetter get = nullptr;
  // For writers: whether the value is written (null: always) and the default that is not.
  PropStored stored = nullptr;

  // The same property, written only when `when` says so.
  PropInfo StoredWhen(PropStored when) const {
    PropInfo p = *this;
    p.stored = when;
    return p;
  }
};

// A published component field of a form: its name, the class it is declared with, and the slot.
struct FieldInfo {
  std::string_view name;
  const struct ClassInfo* cls;
  TComponent*& (*slot)(TComponent& root);
};

// A published handler of a form.
struct MethodInfo {
  std::string_view name;
  void (*call)(TComponent& root, TPersistent* sender);
};

struct ClassInfo {
  std::string_view name;
  const ClassInfo* parent = nullptr;
  std::vector<PropInfo> props;
  // Creates an instance owned by owner (components) - null for classes that are not creatable.
  TComponent* (*create)(TComponent* owner) = nullptr;
  std::vector<FieldInfo> fields;    // published component fields, declared order
  std::vector<MethodInfo> methods;  // published handlers, declared order

  bool InheritsFrom(const ClassInfo& other) const;
  // Case-insensitive (ASCII) lookup in this class, then its bases.
  const PropInfo* FindProp(std::string_view name) const;
  const MethodInfo* FindMethod(std::string_view name) const;
};

// Offered by an object to the reader (a name to take) and to a writer (values to write).
class TFiler {
 public:
  virtual ~TFiler() = default;
  virtual void DefineProperty(std::string_view name, const std::function<void(TReader&)>& read,
                              const std::function<void(TWriter&)>& write, bool hasData) = 0;
  virtual void DefineBinaryProperty(std::string_view name, const std::function<void(TStream&)>& read,
                                    const std::function<void(TStream&)>& write, bool hasData) = 0;
};

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  virtual const ClassInfo& Info() const = 0;
  virtual void DefineProperties(TFiler&) {}
  std::string_view ClassName() const { return Info().name; }
};

// Empty, or an ASCII letter or "_" followed by ASCII letters, digits or "_".
bool IsValidComponentName(std::string_view name);

enum ComponentState : unsigned { csLoading = 1, csReading = 2, csDestroying = 4 };

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // Checks the name rules (raises "'%s' is not a valid component name" / "a component named %s
  // already exists") and binds the owner's published field of that name.
  void SetName(const std::string& name);
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Component(int i) const { return components_[static_cast<std::size_t>(i)]; }
  TComponent* FindComponent(std::string_view name) const;  // ASCII case-insensitive
  void InsertComponent(TComponent* c);
  void RemoveComponent(TComponent* c);
  void DestroyComponents();  // frees every owned component, last to first

  unsigned State() const { return state_; }
  void SetState(unsigned s) { state_ = s; }
  virtual void Loaded() { state_ &= ~csLoading; }

  // Streaming hooks: where a component's children go when it is read, and who owns them.
  virtual void SetParentComponent(TComponent* /*parent*/) {}
  virtual TComponent* ParentComponent() const { return nullptr; }
  virtual TComponent* ChildOwner(TComponent* root) { return root; }
  virtual void SetChildOrder(TComponent* /*child*/, int /*order*/) {}
  // Components placed below this one, in order (what a writer writes as children).
  virtual std::vector<TComponent*> Children() const { return {}; }
  // "Left"/"Top" of non-visual components (design-time position), kept for writers.
  int designLeft = 0, designTop = 0;

 protected:
  // Owner-side field binding on naming: the root's published field of that name.
  void BindField(TComponent* c, const std::string& name, bool set);

 private:
  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  unsigned state_ = 0;
};

// A non-visual component keeps its design-time "Left" and "Top" as defined properties (written
// when not 0). A derived class that defines properties of its own calls this one too.
class TNonVisual : public TComponent {
 public:
  using TComponent::TComponent;
  void DefineProperties(TFiler& filer) override;
};

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* collection) : collection_(collection) {}
  TCollection* Collection() const { return collection_; }
  int Index() const;

 private:
  TCollection* collection_;
};

class TCollection : public TPersistent {
 public:
  ~TCollection() override = default;
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Item(int i) const { return items_[static_cast<std::size_t>(i)].get(); }
  // Appends a new item of the collection's item class.
  virtual TCollectionItem* Add() = 0;
  void Clear() { items_.clear(); }
  virtual void BeginUpdate() { ++updating_; }
  virtual void EndUpdate() { --updating_; }
  const std::vector<std::unique_ptr<TCollectionItem>>& Items() const { return items_; }

 protected:
  TCollectionItem* Append(std::unique_ptr<TCollectionItem> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }

 private:
  std::vector<std::unique_ptr<TCollectionItem>> items_;
  int updating_ = 0;
};

// The process-wide table of creatable classes, searched without regard to ASCII case.
namespace ClassRegistry {
void Register(const ClassInfo& cls);
const ClassInfo* Find(std::string_view name);
}  // namespace ClassRegistry

// Creates a T owned by owner: a class table's `create`.
template <class T>
TComponent* Create(TComponent* owner) {
  return new T(owner);
}

}  // namespace qs
