// Helpers that keep the toolkit's property tables short: each makes a PropInfo from a getter and
// a setter of class T and the value that is not written (the default).
#pragma once
#include <optional>
#include <string>

#include "stream/component.h"
#include "ui/types.h"

namespace qs::props {

template <class T>
PropInfo Int(std::string_view name, int (T::*get)() const, void (T::*set)(int), std::optional<int> def = {},
             const TypeInfo* type = nullptr) {
  PropInfo p{name,
             PropKind::Integer,
             type,
             [set](TPersistent& o, const PropValue& v) { (static_cast<T&>(o).*set)(static_cast<int>(v.i)); },
             [get](TPersistent& o) {
               PropValue v;
               v.i = (static_cast<T&>(o).*get)();
               return v;
             },
             {}};
  if (def) p.stored = [get, d = *def](TPersistent& o) { return (static_cast<T&>(o).*get)() != d; };
  return p;
}

template <class T, class E>
PropInfo Enum(std::string_view name, const TypeInfo& type, E (T::*get)() const, void (T::*set)(E), E def) {
  return {name,
          PropKind::Enumeration,
          &type,
          [set](TPersistent& o, const PropValue& v) { (static_cast<T&>(o).*set)(static_cast<E>(v.i)); },
          [get](TPersistent& o) {
            PropValue v;
            v.i = static_cast<std::int64_t>((static_cast<T&>(o).*get)());
            return v;
          },
          [get, def](TPersistent& o) { return (static_cast<T&>(o).*get)() != def; }};
}

template <class T>
PropInfo Bool(std::string_view name, bool (T::*get)() const, void (T::*set)(bool), std::optional<bool> def) {
  PropInfo p{name,
             PropKind::Enumeration,
             &kBooleanType,
             [set](TPersistent& o, const PropValue& v) { (static_cast<T&>(o).*set)(v.i != 0); },
             [get](TPersistent& o) {
               PropValue v;
               v.i = (static_cast<T&>(o).*get)() ? 1 : 0;
               return v;
             },
             {}};
  if (def) p.stored = [get, d = *def](TPersistent& o) { return (static_cast<T&>(o).*get)() != d; };
  return p;
}

template <class T>
PropInfo Set(std::string_view name, const TypeInfo& type, TSet (T::*get)() const, void (T::*set)(TSet),
             std::optional<TSet> def) {
  PropInfo p{name,
             PropKind::Set,
             &type,
             [set](TPersistent& o, const PropValue& v) { (static_cast<T&>(o).*set)(static_cast<TSet>(v.i)); },
             [get](TPersistent& o) {
               PropValue v;
               v.i = (static_cast<T&>(o).*get)();
               return v;
             },
             {}};
  if (def) p.stored = [get, d = *def](TPersistent& o) { return (static_cast<T&>(o).*get)() != d; };
  return p;
}

template <class T>
PropInfo Str(std::string_view name, const std::string& (T::*get)() const, void (T::*set)(const std::string&),
             std::optional<std::string> def = std::string()) {
  PropInfo p{name,
             PropKind::String,
             nullptr,
             [set](TPersistent& o, const PropValue& v) { (static_cast<T&>(o).*set)(v.s); },
             [get](TPersistent& o) {
               PropValue v;
               v.s = (static_cast<T&>(o).*get)();
               return v;
             },
             {}};
  if (def) p.stored = [get, d = *def](TPersistent& o) { return (static_cast<T&>(o).*get)() != d; };
  return p;
}

// An object property: the getter gives the object; the setter copies a given object's values
// (a stream only walks into the object through "Name.Property" paths).
template <class T, class O>
PropInfo Object(std::string_view name, O& (*get)(T&), std::function<bool(TPersistent&)> stored = {}) {
  return {name,
          PropKind::Object,
          nullptr,
          [get](TPersistent& o, const PropValue& v) {
            if (auto* src = dynamic_cast<O*>(v.obj)) get(static_cast<T&>(o)).Assign(*src);
          },
          [get](TPersistent& o) {
            PropValue v;
            v.obj = &get(static_cast<T&>(o));
            return v;
          },
          std::move(stored)};
}

template <class T>
PropInfo Event(std::string_view name, TNotifyEvent T::*field) {
  return {name, PropKind::Event, nullptr,
          [field](TPersistent& o, const PropValue& v) { static_cast<T&>(o).*field = v.event; },
          [field](TPersistent& o) {
            PropValue v;
            v.event = static_cast<T&>(o).*field;
            return v;
          },
          // Only a handler bound by name can be written.
          [field](TPersistent& o) { return !(static_cast<T&>(o).*field).name.empty(); }};
}

}  // namespace qs::props
