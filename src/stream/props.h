// Property tables, written the same way for every class.
//
// A property is named by its getter and its setter as template arguments: a const member function
// returning the value, a member function taking it, or a data member for both. Each helper makes a
// PropInfo whose setter, getter and "stored" test are plain functions instantiated for those
// members, so that a class table is constant data with no captured state.
//
// The optional last template argument is the default: a value that is not written. Without one
// the property is always written; kEmpty for a text means "written when not empty".
//
//   props::Int<&TControl::Left, &TControl::SetLeft>("Left")
//   props::Bool<&TLabel::AutoSize, &TLabel::SetAutoSize, true>("AutoSize")
//   props::Str<&TExecFile::CommandLine, &TExecFile::CommandLine, props::kEmpty>("CommandLine")
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>

#include "stream/component.h"

namespace qs::props {

// The default of a text: a text is written when it is not empty.
struct Empty {};
inline constexpr Empty kEmpty{};

namespace detail {

// The class and the value type of a data member, a getter or a setter.
template <class M>
struct Member;
template <class T, class V>
struct Member<V T::*> {
  using Class = T;
  using Value = V;
};
template <class T, class R>
struct Member<R (T::*)() const> {
  using Class = T;
  using Value = std::remove_cvref_t<R>;
};
template <class T, class A>
struct Member<void (T::*)(A)> {
  using Class = T;
  using Value = std::remove_cvref_t<A>;
};

template <auto M>
using ClassOf = typename Member<decltype(M)>::Class;
template <auto M>
using ValueOf = typename Member<decltype(M)>::Value;

template <auto Get>
decltype(auto) Read(TPersistent& o) {
  auto& object = static_cast<ClassOf<Get>&>(o);
  if constexpr (std::is_member_function_pointer_v<decltype(Get)>)
    return (object.*Get)();
  else
    return (object.*Get);
}

template <auto Put, class V>
void Write(TPersistent& o, V&& value) {
  auto& object = static_cast<ClassOf<Put>&>(o);
  if constexpr (std::is_member_function_pointer_v<decltype(Put)>)
    (object.*Put)(std::forward<V>(value));
  else
    object.*Put = std::forward<V>(value);
}

// Integers, characters, Booleans, enumerations and sets travel as an ordinal.
template <auto Get>
PropValue GetOrdinal(TPersistent& o) {
  PropValue v;
  v.i = static_cast<std::int64_t>(Read<Get>(o));
  return v;
}
template <auto Put>
void PutOrdinal(TPersistent& o, const PropValue& v) {
  Write<Put>(o, static_cast<ValueOf<Put>>(v.i));
}
// An ordinal outside the type keeps the value there is rather than an undefined one.
template <const TypeInfo& Type, auto Put>
void PutEnum(TPersistent& o, const PropValue& v) {
  if (v.i >= 0 && v.i < static_cast<std::int64_t>(Type.names.size())) Write<Put>(o, static_cast<ValueOf<Put>>(v.i));
}

template <auto Get>
PropValue GetFloat(TPersistent& o) {
  PropValue v;
  v.f = static_cast<double>(Read<Get>(o));
  return v;
}
template <auto Put>
void PutFloat(TPersistent& o, const PropValue& v) {
  Write<Put>(o, static_cast<ValueOf<Put>>(v.f));
}

template <auto Get>
PropValue GetText(TPersistent& o) {
  PropValue v;
  v.s = static_cast<const std::string&>(Read<Get>(o));
  return v;
}
template <auto Put>
void PutText(TPersistent& o, const PropValue& v) {
  Write<Put>(o, v.s);
}

template <auto Get>
PropValue GetEvent(TPersistent& o) {
  PropValue v;
  v.event = Read<Get>(o);
  return v;
}
template <auto Put>
void PutEvent(TPersistent& o, const PropValue& v) {
  Write<Put>(o, v.event);
}
// Only a handler bound by name can be written.
template <auto Get>
bool EventNamed(TPersistent& o) {
  return !Read<Get>(o).name.empty();
}

template <class T, class O, O& (T::*Get)()>
PropValue GetObject(TPersistent& o) {
  PropValue v;
  v.obj = &(static_cast<T&>(o).*Get)();
  return v;
}
template <class T, class O, O& (T::*Get)()>
void PutObject(TPersistent& o, const PropValue& v) {
  if (auto* from = dynamic_cast<O*>(v.obj)) (static_cast<T&>(o).*Get)().Assign(*from);
}

template <auto Get, auto Default>
bool Differs(TPersistent& o) {
  if constexpr (std::is_same_v<std::remove_cv_t<decltype(Default)>, Empty>)
    return !Read<Get>(o).empty();
  else
    return Read<Get>(o) != Default;
}

// No default: always written.
template <auto Get, auto... Default>
constexpr PropStored StoredUnless() {
  static_assert(sizeof...(Default) <= 1, "a property has at most one default");
  if constexpr (sizeof...(Default) == 0)
    return nullptr;
  else
    return &Differs<Get, Default...>;
}

}  // namespace detail

template <auto Get, auto Put = Get, auto... Default>
PropInfo Int(std::string_view name, const TypeInfo* type = nullptr) {
  return {name,
          PropKind::Integer,
          type,
          &detail::PutOrdinal<Put>,
          &detail::GetOrdinal<Get>,
          detail::StoredUnless<Get, Default...>()};
}

template <auto Get, auto Put = Get, auto... Default>
PropInfo Char(std::string_view name) {
  return {name,
          PropKind::Char,
          nullptr,
          &detail::PutOrdinal<Put>,
          &detail::GetOrdinal<Get>,
          detail::StoredUnless<Get, Default...>()};
}

template <auto Get, auto Put = Get, auto... Default>
PropInfo Bool(std::string_view name) {
  return {name,
          PropKind::Enumeration,
          &kBooleanType,
          &detail::PutOrdinal<Put>,
          &detail::GetOrdinal<Get>,
          detail::StoredUnless<Get, Default...>()};
}

template <const TypeInfo& Type, auto Get, auto Put = Get, auto... Default>
PropInfo Enum(std::string_view name) {
  return {name,
          PropKind::Enumeration,
          &Type,
          &detail::PutEnum<Type, Put>,
          &detail::GetOrdinal<Get>,
          detail::StoredUnless<Get, Default...>()};
}

// A set: element i of the type is bit i.
template <auto Get, auto Put = Get, auto... Default>
PropInfo Set(std::string_view name, const TypeInfo& type) {
  return {name,
          PropKind::Set,
          &type,
          &detail::PutOrdinal<Put>,
          &detail::GetOrdinal<Get>,
          detail::StoredUnless<Get, Default...>()};
}

template <auto Get, auto Put = Get, auto... Default>
PropInfo Float(std::string_view name) {
  return {name,
          PropKind::Float,
          nullptr,
          &detail::PutFloat<Put>,
          &detail::GetFloat<Get>,
          detail::StoredUnless<Get, Default...>()};
}

template <auto Get, auto Put = Get, auto... Default>
PropInfo Str(std::string_view name) {
  return {name,
          PropKind::String,
          nullptr,
          &detail::PutText<Put>,
          &detail::GetText<Get>,
          detail::StoredUnless<Get, Default...>()};
}

template <auto Field>
PropInfo Event(std::string_view name) {
  return {
      name, PropKind::Event, nullptr, &detail::PutEvent<Field>, &detail::GetEvent<Field>, &detail::EventNamed<Field>};
}

// An object property: the getter gives the object; the setter copies a given object's values
// (a stream only walks into the object through "Name.Property" paths). Always written unless a
// test is given with StoredWhen().
template <class T, class O, O& (T::*Get)()>
PropInfo Object(std::string_view name) {
  return {name, PropKind::Object, nullptr, &detail::PutObject<T, O, Get>, &detail::GetObject<T, O, Get>, nullptr};
}

}  // namespace qs::props
