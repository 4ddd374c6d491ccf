#include "stream/component.h"

#include <algorithm>
#include <map>

#include "core/errors.h"
#include "core/text.h"
#include "stream/reader.h"
#include "stream/writer.h"

namespace qs {

const TypeInfo kBooleanType{"Boolean", {"False", "True"}, {}};

bool ClassInfo::InheritsFrom(const ClassInfo& other) const {
  for (const ClassInfo* c = this; c; c = c->parent)
    if (c == &other) return true;
  return false;
}

const PropInfo* ClassInfo::FindProp(std::string_view n) const {
  for (const ClassInfo* c = this; c; c = c->parent)
    for (const PropInfo& p : c->props)
      if (SameTextAZ(p.name, n)) return &p;
  return nullptr;
}

const MethodInfo* ClassInfo::FindMethod(std::string_view n) const {
  for (const ClassInfo* c = this; c; c = c->parent)
    for (const MethodInfo& m : c->methods)
      if (SameTextAZ(m.name, n)) return &m;
  return nullptr;
}

const ClassInfo& TComponent::StaticInfo() {
  static const ClassInfo info{"TComponent", nullptr, {}, {}, {}, {}};
  return info;
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

bool IsValidComponentName(std::string_view s) {
  if (s.empty()) return true;
  auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (!alpha(s[0])) return false;
  return std::all_of(s.begin() + 1, s.end(), [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); });
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!IsValidComponentName(name)) throw Exception(Format("'%s' is not a valid component name", name));
  if (owner_ && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this) throw Exception(Format("a component named %s already exists", name));
  }
  if (owner_ && !name_.empty()) owner_->BindField(this, name_, false);
  name_ = name;
  if (owner_ && !name_.empty()) owner_->BindField(this, name_, true);
}

void TComponent::BindField(TComponent* c, const std::string& name, bool set) {
  for (const ClassInfo* ci = &Info(); ci; ci = ci->parent)
    for (const FieldInfo& f : ci->fields)
      if (SameTextAZ(f.name, name)) {
        TComponent*& slot = f.slot(*this);
        if (set) {
          // A field holds only a component of its declared class: a stream that names a
          // component after a field of another kind leaves the field empty.
          if (f.cls && !c->Info().InheritsFrom(*f.cls)) return;
          slot = c;
        } else if (slot == c) {
          slot = nullptr;
        }
        return;
      }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameTextAZ(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* c) {
  components_.push_back(c);
  c->owner_ = this;
  if (!c->name_.empty()) BindField(c, c->name_, true);
}

void TComponent::RemoveComponent(TComponent* c) {
  if (!c->name_.empty()) BindField(c, c->name_, false);
  auto it = std::find(components_.begin(), components_.end(), c);
  if (it != components_.end()) components_.erase(it);
  c->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* c = components_.back();
    RemoveComponent(c);
    delete c;
  }
}

void TNonVisual::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Left", [this](TReader& r) { designLeft = r.ReadInteger(); }, [this](TWriter& w) { w.WriteInteger(designLeft); },
      designLeft != 0);
  filer.DefineProperty(
      "Top", [this](TReader& r) { designTop = r.ReadInteger(); }, [this](TWriter& w) { w.WriteInteger(designTop); },
      designTop != 0);
}

int TCollectionItem::Index() const {
  const auto& items = collection_->Items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i].get() == this) return static_cast<int>(i);
  return -1;
}

namespace ClassRegistry {
namespace {
std::vector<const ClassInfo*>& Table() {
  static std::vector<const ClassInfo*> t;
  return t;
}
}  // namespace
void Register(const ClassInfo& cls) {
  if (!Find(cls.name)) Table().push_back(&cls);
}
const ClassInfo* Find(std::string_view name) {
  for (const ClassInfo* c : Table())
    if (SameTextAZ(c->name, name)) return c;
  return nullptr;
}
}  // namespace ClassRegistry

}  // namespace qs
