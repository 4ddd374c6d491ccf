#include "builder/formtree.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <optional>
#include <set>

#include "builder/builder.h"
#include "core/errors.h"
#include "core/streams.h"
#include "stream/textform.h"

namespace qs {

namespace {

// A component record of a text-form dump. Values keep their text; the lines after a value's
// first are indented relative to the property.
struct Prop {
  std::string name, value;
};
struct Rec {
  std::string keyword;  // "object" or "inherited"
  std::string name, cls, position;
  std::vector<Prop> props;
  std::vector<Rec> children;
};

constexpr std::string_view kRemove = "(remove)", kOrder = "(properties)", kChildren = "(children)";

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

// The end of a name token at p: quoted runs and #N codes, or a plain dotted identifier.
std::size_t TokenEnd(std::string_view s, std::size_t p) {
  if (p < s.size() && (s[p] == '\'' || s[p] == '#')) {
    while (p < s.size() && (s[p] == '\'' || s[p] == '#')) {
      if (s[p] == '#') {
        for (++p; p < s.size() && s[p] >= '0' && s[p] <= '9';) ++p;
      } else {
        for (++p; p < s.size(); ++p)
          if (s[p] == '\'') {
            if (p + 1 < s.size() && s[p + 1] == '\'')
              ++p;
            else
              break;
          }
        ++p;
      }
    }
    return std::min(p, s.size());
  }
  while (p < s.size() && (std::isalnum(static_cast<unsigned char>(s[p])) || s[p] == '_' || s[p] == '.')) ++p;
  return p;
}

// The bytes of a name token ('it''s'#13 gives "it's\r"; a plain name gives itself).
std::string Unquote(std::string_view t) {
  if (t.empty() || (t[0] != '\'' && t[0] != '#')) return std::string(t);
  std::string r;
  for (std::size_t p = 0; p < t.size();) {
    if (t[p] == '#') {
      unsigned v = 0;
      for (++p; p < t.size() && t[p] >= '0' && t[p] <= '9'; ++p) v = v * 10 + static_cast<unsigned>(t[p] - '0');
      r.push_back(static_cast<char>(v));
    } else {
      for (++p; p < t.size(); ++p) {
        if (t[p] == '\'') {
          if (p + 1 < t.size() && t[p + 1] == '\'') {
            r.push_back('\'');
            ++p;
            continue;
          }
          ++p;
          break;
        }
        r.push_back(t[p]);
      }
    }
  }
  return r;
}

std::string Quoted(std::string_view bytes) {
  std::string r;
  bool open = false;
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
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
  return r.empty() ? "''" : r;
}

// ---- the dump as a tree ------------------------------------------------------------------

class TreeReader {
 public:
  explicit TreeReader(std::string_view text) {
    for (std::size_t p = 0; p < text.size();) {
      auto e = text.find('\n', p);
      if (e == std::string_view::npos) e = text.size();
      lines_.push_back(text.substr(p, e - p));
      p = e + 1;
    }
  }
  Rec Root() { return Record(0); }

 private:
  static std::size_t IndentOf(std::string_view l) {
    return l.find_first_not_of(' ') == l.npos ? l.size() : l.find_first_not_of(' ');
  }

  Rec Record(std::size_t indent) {
    Rec r;
    std::string_view h = lines_.at(i_++).substr(indent);
    r.keyword = std::string(h.substr(0, h.find(' ')));
    h.remove_prefix(r.keyword.size() + 1);
    std::size_t e = TokenEnd(h, 0);
    r.cls = std::string(h.substr(0, e));
    h.remove_prefix(e);
    if (h.starts_with(": ")) {
      h.remove_prefix(2);
      r.name = r.cls;
      e = TokenEnd(h, 0);
      r.cls = std::string(h.substr(0, e));
      h.remove_prefix(e);
    }
    if (h.starts_with(" ")) r.position = std::string(h.substr(1));
    for (;;) {
      std::string_view l = lines_.at(i_);
      std::size_t in = IndentOf(l);
      std::string_view t = l.substr(in);
      if (in == indent && t == "end") {
        ++i_;
        return r;
      }
      std::size_t nameEnd = TokenEnd(t, 0);
      bool property = t.substr(nameEnd).starts_with(" = ");
      if (!property) {
        r.children.push_back(Record(in));
        continue;
      }
      Prop p{std::string(t.substr(0, nameEnd)), std::string(t.substr(nameEnd + 3))};
      ++i_;
      if (p.value == "(" || p.value == "{" || p.value == "<") {
        // Every line of the value is deeper than the property, up to its closing line.
        for (;;) {
          std::string_view v = lines_.at(i_++);
          p.value += "\n" + std::string(v.substr(std::min(in, v.size())));
          if (IndentOf(v) == in) break;
        }
      }
      r.props.push_back(std::move(p));
    }
  }

  std::vector<std::string_view> lines_;
  std::size_t i_ = 0;
};

Rec ParseStream(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream in(bytes);
  std::string text = ComponentStreamToText(in);
  return TreeReader(text).Root();
}

void Render(const Rec& r, std::size_t indent, std::string& out) {
  std::string pad(indent, ' ');
  out += pad + r.keyword + " " + (r.name.empty() ? "" : r.name + ": ") + r.cls +
         (r.position.empty() ? "" : " " + r.position) + "\n";
  for (const Prop& p : r.props) {
    out += pad + "  " + p.name + " = ";
    for (char c : p.value) {
      out.push_back(c);
      if (c == '\n') out += pad + "  ";
    }
    out += "\n";
  }
  for (const Rec& c : r.children) Render(c, indent + 2, out);
  out += pad + "end\n";
}

// ---- comparing -----------------------------------------------------------------------------

// A value as compared: identifiers and hexadecimal in lower case (quoted text as it is), no
// collection order values, set elements sorted.
std::string Normal(std::string_view v) {
  std::string r;
  bool quoted = false;
  for (char c : v) {
    if (c == '\'') quoted = !quoted;
    r.push_back(quoted || c < 'A' || c > 'Z' ? c : static_cast<char>(c + 32));
  }
  if (r.starts_with("[") && r.ends_with("]")) {
    std::vector<std::string> elements;
    std::string_view s = std::string_view(r).substr(1, r.size() - 2);
    for (std::size_t p = 0; p < s.size();) {
      std::size_t e = TokenEnd(s, p);
      if (e == p) e = p + 1;
      elements.emplace_back(s.substr(p, e - p));
      p = e;
      while (p < s.size() && (s[p] == ',' || s[p] == ' ')) ++p;
    }
    std::sort(elements.begin(), elements.end());
    r = "[";
    for (auto& e : elements) r += e + ",";
    return r + "]";
  }
  for (std::size_t p = 0; (p = r.find("item [", p)) != std::string::npos;) {
    std::size_t e = r.find(']', p);
    r.erase(p + 4, e + 1 - (p + 4));
  }
  return r;
}

// A child's key among its siblings: its name, or ":Class" and its place among the unnamed of that
// class.
std::vector<std::string> Keys(const std::vector<Rec>& children) {
  std::vector<std::string> keys;
  for (const Rec& c : children) keys.push_back(c.name.empty() ? ":" + Lower(Unquote(c.cls)) : Lower(Unquote(c.name)));
  return keys;
}
using Key = std::pair<std::string, int>;
std::vector<Key> Ordinals(const std::vector<std::string>& keys) {
  std::map<std::string, int> seen;
  std::vector<Key> r;
  for (const std::string& k : keys) r.emplace_back(k, seen[k]++);
  return r;
}
// Where each key stands (the first, for names given twice).
template <class K>
std::map<K, int> Index(const std::vector<K>& keys) {
  std::map<K, int> m;
  for (std::size_t i = 0; i < keys.size(); ++i) m.emplace(keys[i], static_cast<int>(i));
  return m;
}
template <class K>
int Find(const std::map<K, int>& index, const K& key) {
  auto it = index.find(key);
  return it == index.end() ? -1 : it->second;
}
std::string PropKey(std::string_view name) { return Lower(Unquote(name)); }
std::vector<std::string> PropKeys(const std::vector<Prop>& props) {
  std::vector<std::string> keys;
  for (const Prop& p : props) keys.push_back(PropKey(p.name));
  return keys;
}
std::string NameList(const std::vector<std::string>& names) {
  std::string r = "(";
  for (auto& n : names) r += (r.size() > 1 ? " " : "") + Quoted(n);
  return r + ")";
}
std::vector<std::string> ListOf(std::string_view value) {
  std::vector<std::string> r;
  std::size_t p = value.find('(') + 1;
  while (p < value.size()) {
    while (p < value.size() && (value[p] == ' ' || value[p] == '\n')) ++p;
    if (p >= value.size() || value[p] == ')') break;
    std::size_t e = TokenEnd(value, p);
    if (e == p) break;
    r.push_back(Unquote(value.substr(p, e - p)));
    p = e;
  }
  return r;
}

std::string Header(const Rec& r) {
  return Lower(r.keyword + " " + Unquote(r.name) + ":" + Unquote(r.cls)) + r.position;
}

class Differ {
 public:
  explicit Differ(const SameMeaning& same) : same_(same) {}
  std::vector<std::string> warnings;

  // The fragment record that turns b into o; nothing when they are the same.
  // `here` names o in messages: its path of names, "TPage[2]" for the third unnamed TPage.
  std::optional<Rec> Diff(const Rec& o, const Rec& b, const std::string& here) {
    if (Lower(Unquote(o.cls)) != Lower(Unquote(b.cls))) {
      warnings.push_back(here + ": a " + Unquote(o.cls) + " where the built-in form has a " + Unquote(b.cls) +
                         " (carried whole)");
      return o;
    }
    Rec f{o.keyword, o.name, o.cls, o.position, {}, {}};
    bool changed = Header(o) != Header(b);
    if (changed) warnings.push_back(here + ": its record's name, flags or position");
    // Properties: those set or changed, those to drop, and their order.
    auto bIndex = Index(PropKeys(b.props)), oIndex = Index(PropKeys(o.props));
    std::vector<std::string> after, added;
    for (const Prop& p : o.props) {
      int at = Find(bIndex, PropKey(p.name));
      if (at >= 0 && (Normal(p.value) == Normal(b.props[at].value) ||
                      (same_ && same_(here, Unquote(p.name), p.value, b.props[at].value))))
        continue;
      if (at < 0) added.push_back(PropKey(p.name));
      f.props.push_back(p);
      warnings.push_back(
          here + "." + Unquote(p.name) +
          (at < 0 ? ": a property the built-in form does not set" : ": a value the manifest does not say"));
    }
    std::vector<std::string> removed;
    for (const Prop& p : b.props) {
      if (Find(oIndex, PropKey(p.name)) >= 0) {
        after.push_back(PropKey(p.name));
        continue;
      }
      removed.push_back(Unquote(p.name));
      warnings.push_back(here + "." + Unquote(p.name) + ": not set (the built-in form sets it)");
    }
    after.insert(after.end(), added.begin(), added.end());
    if (!removed.empty()) f.props.push_back({Quoted(kRemove), NameList(removed)});
    std::vector<std::string> order;
    for (const Prop& p : o.props) order.push_back(Unquote(p.name));
    if (after != PropKeys(o.props)) {
      f.props.push_back({Quoted(kOrder), NameList(order)});
      warnings.push_back(here + ": the order of its properties");
    }
    // Children: matched by key; unnamed ones are all listed once one of them is, so that their
    // places among the unnamed line up.
    auto ok = Keys(o.children), bk = Keys(b.children);
    auto oo = Ordinals(ok), bo = Ordinals(bk);
    auto bIndexed = Index(bo);
    std::vector<std::optional<Rec>> diffs(o.children.size());
    bool anyUnnamed = false;
    std::vector<std::pair<std::string, int>> result = bo;
    for (std::size_t i = 0; i < o.children.size(); ++i) {
      std::string child =
          here + "." +
          (o.children[i].name.empty() ? Unquote(o.children[i].cls) + "[" + std::to_string(oo[i].second) + "]"
                                      : Unquote(o.children[i].name));
      int at = Find(bIndexed, oo[i]);
      if (at < 0) {
        diffs[i] = o.children[i];
        result.push_back(oo[i]);
        warnings.push_back(child + ": a component the built-in form lacks (carried whole)");
      } else {
        diffs[i] = Diff(o.children[i], b.children[at], child);
      }
      if (diffs[i] && o.children[i].name.empty()) anyUnnamed = true;
    }
    for (std::size_t i = 0; i < o.children.size(); ++i) {
      if (!diffs[i] && anyUnnamed && o.children[i].name.empty())
        diffs[i] = Rec{o.children[i].keyword, "", o.children[i].cls, o.children[i].position, {}, {}};
      if (diffs[i]) f.children.push_back(std::move(*diffs[i]));
    }
    if (result != oo) {
      std::vector<std::string> list;
      for (const Rec& c : o.children) list.push_back(c.name.empty() ? ":" + Unquote(c.cls) : Unquote(c.name));
      f.props.push_back({Quoted(kChildren), NameList(list)});
      warnings.push_back(here + ": its components and their order");
    }
    if (!changed && f.props.empty() && f.children.empty()) return std::nullopt;
    return f;
  }

 private:
  const SameMeaning& same_;
};

// Applies fragment record f onto b.
void Apply(Rec& b, const Rec& f) {
  if (Lower(Unquote(f.cls)) != Lower(Unquote(b.cls))) {
    b = f;
    return;
  }
  b.keyword = f.keyword, b.name = f.name, b.cls = f.cls, b.position = f.position;
  const Prop *remove = nullptr, *order = nullptr, *children = nullptr;
  auto index = Index(PropKeys(b.props));
  for (const Prop& p : f.props) {
    std::string n = Unquote(p.name);
    if (n == kRemove) {
      remove = &p;
    } else if (n == kOrder) {
      order = &p;
    } else if (n == kChildren) {
      children = &p;
    } else if (int at = Find(index, PropKey(p.name)); at >= 0) {
      b.props[static_cast<std::size_t>(at)] = p;
    } else {
      index.emplace(PropKey(p.name), static_cast<int>(b.props.size()));
      b.props.push_back(p);
    }
  }
  if (remove) {
    std::set<std::string> gone;
    for (const std::string& n : ListOf(remove->value)) gone.insert(Lower(n));
    std::erase_if(b.props, [&](const Prop& p) { return gone.count(PropKey(p.name)) > 0; });
  }
  if (order) {
    // The listed ones in the list's order, then the others as they stand.
    std::map<std::string, int> place;
    for (const std::string& n : ListOf(order->value)) place.emplace(Lower(n), static_cast<int>(place.size()));
    auto rank = [&](const Prop& p) {
      int at = Find(place, PropKey(p.name));
      return at < 0 ? INT32_MAX : at;
    };
    std::stable_sort(b.props.begin(), b.props.end(), [&](const Prop& x, const Prop& y) { return rank(x) < rank(y); });
  }
  auto keys = Keys(b.children);
  auto have = Ordinals(keys);
  auto childIndex = Index(have);
  std::map<std::string, int> counts;
  for (const auto& [k, n] : have) counts[k] = n + 1;
  auto fkeys = Keys(f.children);
  auto fo = Ordinals(fkeys);
  for (std::size_t i = 0; i < f.children.size(); ++i) {
    if (int at = Find(childIndex, fo[i]); at >= 0) {
      Apply(b.children[static_cast<std::size_t>(at)], f.children[i]);
    } else {
      childIndex.emplace(Key{fkeys[i], counts[fkeys[i]]++}, static_cast<int>(b.children.size()));
      b.children.push_back(f.children[i]);
    }
  }
  if (children) {
    std::vector<std::string> wanted;
    for (const std::string& n : ListOf(children->value)) wanted.push_back(Lower(n));
    auto now = Index(Ordinals(Keys(b.children)));
    std::vector<Rec> kept;
    std::vector<bool> used(b.children.size());
    for (const auto& key : Ordinals(wanted)) {
      int at = Find(now, key);
      if (at >= 0 && !used[at]) {
        used[at] = true;
        kept.push_back(std::move(b.children[at]));
      }
    }
    b.children = std::move(kept);
  }
}

}  // namespace

FormDifference DiffForms(const std::vector<std::uint8_t>& original, const std::vector<std::uint8_t>& built,
                         const SameMeaning& same) {
  Rec o = ParseStream(original), b = ParseStream(built);
  Differ d(same);
  FormDifference r;
  if (auto f = d.Diff(o, b, o.name.empty() ? Unquote(o.cls) : Unquote(o.name))) {
    r.fragment =
        "// Form overrides: what the manifest cannot say about this form. quillset build applies them to the\n"
        "// built-in form after the manifest (see src/builder/formtree.h).\n";
    Render(*f, 0, r.fragment);
  }
  r.warnings = std::move(d.warnings);
  return r;
}

std::vector<std::uint8_t> ApplyFormOverrides(const std::vector<std::uint8_t>& stream, std::string_view fragment) {
  TMemoryStream compiled;
  try {
    TextToComponentStream(fragment, compiled);
  } catch (const ETextFormError& e) {
    throw BuildError(std::string("form overrides: ") + e.what());
  }
  Rec f = ParseStream(compiled.Bytes()), b = ParseStream(stream);
  Apply(b, f);
  std::string text;
  Render(b, 0, text);
  TMemoryStream out;
  try {
    TextToComponentStream(text, out);
  } catch (const ETextFormError& e) {
    throw BuildError(std::string("form overrides: the form they make cannot be written: ") + e.what());
  }
  return out.Bytes();
}

}  // namespace qs
