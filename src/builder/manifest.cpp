#include "builder/manifest.h"

#include <toml++/toml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "builder/formtree.h"
#include "builder/hostfile.h"
#include "core/cp1252.h"
#include "core/streams.h"
#include "core/text.h"
#include "packer/gpackfiles.h"
#include "stream/writer.h"
#include "wizard/unitext.h"

namespace qs {

namespace fs = std::filesystem;

namespace {

std::string Hex(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

// The TOML parser classifies characters beyond ASCII in places (after a line-ending backslash in
// a multi-line text, after a value, in a key) with a table that does not cover every code point
// below U+FEFF; for some of them its answer is undefined behaviour. So it never sees one: before
// parsing, every distinct non-ASCII character of the manifest is replaced by a code point of
// plane 16 (U+100000 on), which it classifies safely, and every text taken from the parsed
// manifest is mapped back. No character of code page 1252 comes from plane 16, so escapes that
// reach it are refused outright.
struct Shield {
  std::vector<char32_t> table;  // plane-16 code point 0x100000 + i stands for table[i]
  std::string text;
};
constexpr char32_t kShieldBase = 0x100000;

Shield MakeShield(std::string_view utf8, const std::string& source) {
  Shield sh;
  sh.text.reserve(utf8.size());
  std::size_t line = 1;
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t c;
    std::size_t len = DecodeUtf8(utf8, i, c);
    if (len == 0) throw BuildError(source + ":" + std::to_string(line) + ": the manifest is not UTF-8 text");
    if (c == '\\' && utf8.substr(i + 1, 4) == "U001")
      throw BuildError(source + ":" + std::to_string(line) +
                       ": an escape beyond U+FFFFF stands for no character of code page 1252");
    if (c == '\n') ++line;
    if (c < 0x80) {
      sh.text.push_back(static_cast<char>(c));
    } else {
      auto it = std::find(sh.table.begin(), sh.table.end(), c);
      if (it == sh.table.end()) {
        if (sh.table.size() >= 0xFFFE) throw BuildError(source + ": too many different characters");
        sh.table.push_back(c);
        it = sh.table.end() - 1;
      }
      AppendUtf8(sh.text, kShieldBase + static_cast<char32_t>(it - sh.table.begin()));
    }
    i += len;
  }
  return sh;
}

std::string Unshield(std::string_view s, const Shield* sh) {
  if (!sh) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    char32_t c;
    std::size_t len = DecodeUtf8(s, i, c);
    if (len == 0) {  // not from the parser's output; left as it is
      out.push_back(s[i++]);
      continue;
    }
    if (c >= kShieldBase && c - kShieldBase < sh->table.size()) c = sh->table[c - kShieldBase];
    AppendUtf8(out, c);
    i += len;
  }
  return out;
}

// How many letters must change - one replaced, added, left out, or two neighbours swapped - to
// turn a into b, letter case of a-z aside.
std::size_t Distance(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) && lower(a[i - 2]) == lower(b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The known name a misspelt one most likely meant, or "" when none is near: a short name may be
// one letter off, a longer one two.
template <typename Names>
std::string Nearest(std::string_view word, const Names& known) {
  std::string best;
  std::size_t bestDistance = word.size() < 5 ? 1 : 2;
  for (std::string_view k : known) {
    std::size_t d = Distance(word, k);
    if (d <= bestDistance && (best.empty() || d < bestDistance)) best = std::string(k), bestDistance = d;
  }
  return best;
}

// "unknown key 'x' in [s] (did you mean 'y'?)", or with the known names when none is near.
template <typename Names>
std::string Unknown(const std::string& what, const std::string& name, const std::string& where, const Names& known) {
  std::string message = "unknown " + what + " '" + name + "'" + where;
  if (std::string near = Nearest(name, known); !near.empty()) return message + " (did you mean '" + near + "'?)";
  std::string list;
  for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
  return message + " (known: " + list + ")";
}

// Where a node stands in the manifest, for messages.
class Context {
 public:
  explicit Context(std::string source) : source_(std::move(source)) {}
  [[noreturn]] void Fail(const toml::node* at, const std::string& message) const {
    if (at && at->source().begin.line > 0)
      throw BuildError(source_ + ":" + std::to_string(at->source().begin.line) + ": " + message);
    throw BuildError(source_ + ": " + message);
  }
  const std::string& Source() const { return source_; }

 private:
  std::string source_;
};

struct Reader {
  Context ctx;
  fs::path base;
  Manifest result;
  bool compressDefault = true;
  const Shield* shield = nullptr;

  // ---- values ----------------------------------------------------------------------------

  void OnlyKeys(const toml::table& t, std::initializer_list<std::string_view> allowed, const std::string& where) {
    for (auto&& [key, value] : t) {
      if (std::find(allowed.begin(), allowed.end(), key.str()) != allowed.end()) continue;
      std::string name = Unshield(key.str(), shield);
      // A near miss at the top needs no place: the line says it.
      bool top = where == "the manifest" && !Nearest(name, allowed).empty();
      ctx.Fail(&value, Unknown("key", name, top ? "" : " in " + where, allowed));
    }
  }

  std::string Utf8(const toml::node& n, const std::string& what) {
    auto s = n.value<std::string>();
    if (!n.is_string() || !s) ctx.Fail(&n, what + " must be a text");
    try {
      return Utf8ToCp1252(Unshield(*s, shield), what);
    } catch (const BuildError& e) {
      ctx.Fail(&n, e.what());
    }
  }
  // A text of a fixed 256-byte field of the module record.
  std::string FieldText(const toml::node& n, const std::string& what) {
    std::string s = Utf8(n, what);
    if (s.size() > kModuleTextSize)
      ctx.Fail(&n, what + " is " + std::to_string(s.size()) + " bytes long; at most 256 fit");
    return s;
  }
  bool Bool(const toml::node& n, const std::string& what) {
    if (!n.is_boolean()) ctx.Fail(&n, what + " must be true or false");
    return *n.value<bool>();
  }
  const toml::table& Table(const toml::node& n, const std::string& what) {
    if (!n.is_table()) ctx.Fail(&n, what + " must be a table");
    return *n.as_table();
  }
  std::string RawPath(const toml::node& n, const std::string& what) {
    auto s = n.value<std::string>();
    if (!n.is_string() || !s || s->empty()) ctx.Fail(&n, what + " must be a file path");
    return Unshield(*s, shield);
  }
  fs::path Resolve(const std::string& rel) const {
    std::string p = rel;
    std::replace(p.begin(), p.end(), '\\', '/');
    fs::path path(p);
    return path.is_absolute() ? path : base / path;
  }
  // A file the manifest names, found and checked now: its path and length.
  std::pair<fs::path, std::uint64_t> FindFile(const toml::node& n, const std::string& rel, const std::string& what) {
    fs::path path = Resolve(rel);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) ctx.Fail(&n, what + ": file '" + rel + "' not found (" + path.string() + ")");
    const std::uint64_t length = fs::file_size(path, ec);
    if (ec || !std::ifstream(path, std::ios::binary)) ctx.Fail(&n, what + ": cannot read '" + path.string() + "'");
    // A packed file's length is stored in 32 bits.
    if (length > 0xFFFFFFF0u) ctx.Fail(&n, what + ": '" + rel + "' is too large to pack");
    return {path, length};
  }
  std::vector<std::uint8_t> ReadFile(const toml::node& n, const std::string& rel, const std::string& what) {
    auto path = FindFile(n, rel, what).first;
    auto bytes = ReadWholeFile(path.string());
    if (!bytes) ctx.Fail(&n, what + ": cannot read '" + path.string() + "'");
    return std::move(*bytes);
  }

  // ---- sections ----------------------------------------------------------------------------

  void Options(const toml::table& t) {
    for (auto&& [key, value] : t) {
      auto name = std::string(key.str());
      if (std::find(kOptionNames.begin(), kOptionNames.end(), name) == kOptionNames.end())
        ctx.Fail(&value, Unknown("option", Unshield(name, shield), "", kOptionNames));
      result.product.options.emplace_back(name, Bool(value, "option " + name));
    }
  }

  void Captions(const toml::table& t, const std::string& section, const auto& names, bool numbers) {
    for (auto&& [key, value] : t) {
      auto name = std::string(key.str());
      if (std::find(names.begin(), names.end(), name) == names.end())
        ctx.Fail(&value, Unknown("name", Unshield(name, shield), " in [" + section + "]", names));
      std::string text;
      if (numbers && value.is_integer())
        text = std::to_string(*value.template value<std::int64_t>());
      else
        text = WindowsLineBreaks(Utf8(value, section + "." + name));
      result.product.captions.emplace_back(name, text);
    }
  }

  std::vector<std::string> Lines(const toml::node& n, const std::string& what) {
    std::vector<std::string> lines;
    auto add = [&](std::string_view text) {
      // One line per line break; a final line break ends the last line and starts none.
      std::size_t start = 0;
      while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        auto line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
      }
    };
    if (auto* arr = n.as_array()) {
      for (auto&& item : *arr) {
        std::string line = Utf8(item, what + " line");
        if (line.empty()) lines.emplace_back();
        add(line);
      }
      return lines;
    }
    std::string rel = RawPath(n, what);
    auto bytes = ReadFile(n, rel, what);
    std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (raw.starts_with("\xEF\xBB\xBF")) raw.remove_prefix(3);
    std::string text;
    try {
      text = Utf8ToCp1252(raw, "'" + rel + "'");
    } catch (const BuildError& e) {
      ctx.Fail(&n, what + ": " + e.what());
    }
    add(text);
    return lines;
  }

  void Memos(const toml::table& t) {
    OnlyKeys(t, {"welcome", "licence"}, "[memos]");
    if (auto* n = t.get("welcome")) result.product.welcomeLines = Lines(*n, "memos.welcome");
    if (auto* n = t.get("licence")) result.product.licenceLines = Lines(*n, "memos.licence");
  }

  void Pictures(const toml::table& t) {
    OnlyKeys(t, {"banner", "icon"}, "[pictures]");
    if (auto* n = t.get("banner"))
      result.product.bannerJpeg = ReadFile(*n, RawPath(*n, "pictures.banner"), "pictures.banner");
    if (auto* n = t.get("icon")) result.product.icon = ReadFile(*n, RawPath(*n, "pictures.icon"), "pictures.icon");
  }

  // Adds a packed file, or finds the one already packed from the same file under the same name.
  // Its bytes are read when the payload is written, one file at a time.
  PackedFileDescription& Pack(const toml::node& at, const std::string& name, const std::string& rel, bool compress,
                              const std::string& what) {
    auto [path, length] = FindFile(at, rel, what);
    if (name.empty() || name.find_first_of("\\:/") != std::string::npos || name.size() > 255 ||
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }))
      ctx.Fail(&at, what + ": '" + name + "' is not a file name");
    if (SameTextAZ(name, kModuleListName))
      ctx.Fail(&at,
               what + ": the name " + std::string(kModuleListName) + " is the module list's, which the builder writes");
    std::string origin = fs::weakly_canonical(path).string();
    for (auto& f : result.product.files) {
      if (!SameTextAZ(f.name, name)) continue;
      if (f.origin != origin)
        ctx.Fail(&at, what + ": two different files would be packed as '" + name + "' (" + f.origin + " and " + origin +
                          "); the installer finds only the first");
      if (f.compress != compress)
        ctx.Fail(&at, what + ": '" + name + "' is packed once with compress = " + (f.compress ? "true" : "false") +
                          " and once without");
      return f;
    }
    PackedFileDescription f;
    f.name = name;
    f.compress = compress;
    f.length = length;
    f.open = [shown = path.string()]() -> std::unique_ptr<TStream> {
      auto file = std::make_unique<THostFileStream>(shown, "rb");
      if (!file->IsOpen()) throw BuildError("cannot read '" + shown + "'");
      return file;
    };
    f.origin = origin;
    result.product.files.push_back(std::move(f));
    return result.product.files.back();
  }

  std::int32_t Action(const toml::node& n, const std::string& what) {
    if (n.is_integer()) {
      // The installer takes any other value as 0; a foreign module list may hold one.
      auto v = *n.value<std::int64_t>();
      if (v < INT32_MIN || v > INT32_MAX) ctx.Fail(&n, what + ": action must be a 32-bit number");
      return static_cast<std::int32_t>(v);
    }
    static const std::pair<std::string_view, ModuleAction> names[] = {
        {"install", maInstall}, {"run", maRun}, {"run-wait", maRunWait}, {"queue-and-copy", maQueueAndCopy}};
    if (auto s = n.value<std::string>(); n.is_string() && s)
      for (auto& [name, value] : names)
        if (*s == name) return value;
    ctx.Fail(&n, what + ": action must be one of install, run, run-wait, queue-and-copy (or a number)");
  }

  // The file-name part of a manifest path, and the path with Windows separators.
  static std::string LastPart(const std::string& rel) {
    auto pos = rel.find_last_of("/\\");
    return pos == std::string::npos ? rel : rel.substr(pos + 1);
  }
  static std::string WindowsPath(std::string rel) {
    std::replace(rel.begin(), rel.end(), '/', '\\');
    return rel;
  }

  void Module(const toml::table& t, std::size_t index) {
    std::string what = "module " + std::to_string(index + 1);
    OnlyKeys(t, {"file", "title", "group", "program_group", "shortcut", "action", "compress", "name", "source_path"},
             "[[module]]");
    auto* fileNode = t.get("file");
    // Without a file, the module names by its source path a file that [[file]] packs.
    if (!fileNode && !t.get("source_path")) ctx.Fail(&t, what + " has no file");
    if (!fileNode) fileNode = t.get("source_path");
    std::string rel = t.get("file") ? RawPath(*fileNode, what + ".file") : "";
    std::string raw = t.get("file") ? Utf8(*fileNode, what + ".file") : FileNamePart(FieldText(*fileNode, what));
    std::string name = t.get("name") ? Utf8(*t.get("name"), what + ".name") : LastPart(raw);
    std::string sourcePath;
    if (auto* n = t.get("source_path"))
      sourcePath = FieldText(*n, what + ".source_path");
    else
      sourcePath = WindowsPath(raw.substr(0, raw.size() - LastPart(raw).size())) + name;
    if (sourcePath.size() > kModuleTextSize)
      ctx.Fail(fileNode, what + ": the path '" + sourcePath + "' is longer than 256 bytes; give a shorter source_path");
    if (!SameTextAZ(FileNamePart(sourcePath), name))
      ctx.Fail(t.get("source_path"), what + ": the file-name part of source_path ('" + FileNamePart(sourcePath) +
                                         "') must be the packed name '" + name + "'");
    bool compress = t.get("compress") ? Bool(*t.get("compress"), what + ".compress") : compressDefault;
    if (t.get("file")) Pack(*fileNode, name, rel, compress, what);

    TModuleRec rec = EmptyModuleRec();
    SetModuleText(rec.SourcePath, sourcePath);
    if (auto* n = t.get("title")) SetModuleText(rec.Title, FieldText(*n, what + ".title"));
    if (auto* n = t.get("group")) SetModuleText(rec.Group, FieldText(*n, what + ".group"));
    if (auto* n = t.get("program_group")) SetModuleText(rec.ProgramGroup, FieldText(*n, what + ".program_group"));
    if (auto* n = t.get("shortcut"); n && n->is_integer()) {  // 1 makes one; the installer ignores other numbers
      auto v = *n->value<std::int64_t>();
      if (v < INT32_MIN || v > INT32_MAX) ctx.Fail(n, what + ": shortcut must be true, false or a 32-bit number");
      rec.MakeShortcut = static_cast<std::int32_t>(v);
    } else {
      rec.MakeShortcut = n && Bool(*n, what + ".shortcut") ? 1 : 0;
    }
    rec.Action = t.get("action") ? Action(*t.get("action"), what) : maInstall;
    result.product.modules.push_back(rec);
  }

  void File(const toml::table& t, std::size_t index) {
    std::string what = "file " + std::to_string(index + 1);
    OnlyKeys(t, {"file", "name", "description", "runtime", "compress"}, "[[file]]");
    auto* fileNode = t.get("file");
    if (!fileNode) ctx.Fail(&t, what + " has no file");
    std::string rel = RawPath(*fileNode, what + ".file");
    std::string name = t.get("name") ? Utf8(*t.get("name"), what + ".name") : LastPart(Utf8(*fileNode, what + ".file"));
    std::string description = t.get("description") ? Utf8(*t.get("description"), what + ".description") : "";
    bool runtime = t.get("runtime") && Bool(*t.get("runtime"), what + ".runtime");
    if (runtime && description.find(kRuntimeMarker) == std::string::npos)
      description = std::string(kRuntimeMarker) + (description.empty() ? "" : " " + description);
    bool compress = t.get("compress") ? Bool(*t.get("compress"), what + ".compress") : compressDefault;
    auto& f = Pack(*fileNode, name, rel, compress, what);
    if (!description.empty()) {
      if (!f.description.empty() && f.description != description)
        ctx.Fail(fileNode, what + ": '" + name + "' is given two descriptions");
      f.description = description;
    }
  }

  void Conduit(const toml::table& t) {
    OnlyKeys(t, {"library", "tool", "compress"}, "[conduit]");
    bool compress = t.get("compress") ? Bool(*t.get("compress"), "conduit.compress") : compressDefault;
    for (auto [key, name] : {std::pair{"library", kConduitLibraryName}, std::pair{"tool", kConduitToolName}}) {
      auto* n = t.get(key);
      if (!n) ctx.Fail(&t, std::string("[conduit] needs its ") + key + " (packed as " + std::string(name) + ")");
      std::string rel = RawPath(*n, std::string("conduit.") + key);
      Pack(*n, std::string(name), rel, compress, std::string("conduit.") + key);
    }
  }

  void Root(const toml::table& root) {
    OnlyKeys(root,
             {"caption", "directory", "compress", "stub", "module_list", "form_overrides", "options", "pictures",
              "memos", "texts", "messages", "numbers", "module", "file", "conduit"},
             "the manifest");
    if (auto* n = root.get("compress")) compressDefault = Bool(*n, "compress");
    result.product.compressModuleList = compressDefault;
    if (auto* n = root.get("caption")) result.product.caption = WindowsLineBreaks(Utf8(*n, "caption"));
    if (auto* n = root.get("directory")) result.product.directory = Utf8(*n, "directory");
    if (auto* n = root.get("stub")) {
      result.stubPath = Resolve(RawPath(*n, "stub")).string();
      result.stubWhere = ctx.Source() + ":" + std::to_string(n->source().begin.line);
    }
    if (auto* n = root.get("options")) Options(Table(*n, "[options]"));
    if (auto* n = root.get("pictures")) Pictures(Table(*n, "[pictures]"));
    if (auto* n = root.get("memos")) Memos(Table(*n, "[memos]"));
    if (auto* n = root.get("texts")) Captions(Table(*n, "[texts]"), "texts", kPageTextNames, false);
    if (auto* n = root.get("messages")) Captions(Table(*n, "[messages]"), "messages", kMessageNames, false);
    if (auto* n = root.get("numbers")) Captions(Table(*n, "[numbers]"), "numbers", kNumberNames, true);
    auto arrayOfTables = [&](const char* key, auto&& each) {
      auto* n = root.get(key);
      if (!n) return;
      auto* arr = n->as_array();
      if (!arr || !arr->is_array_of_tables()) ctx.Fail(n, std::string("write each ") + key + " as [[" + key + "]]");
      for (std::size_t i = 0; i < arr->size(); ++i) each(*arr->get(i)->as_table(), i);
    };
    arrayOfTables("module", [&](const toml::table& t, std::size_t i) { Module(t, i); });
    arrayOfTables("file", [&](const toml::table& t, std::size_t i) { File(t, i); });
    if (auto* n = root.get("conduit")) Conduit(Table(*n, "[conduit]"));
    if (auto* n = root.get("module_list")) {
      if (!result.product.modules.empty()) ctx.Fail(n, "module_list and [[module]] entries do not go together");
      auto bytes = ReadFile(*n, RawPath(*n, "module_list"), "module_list");
      result.product.modules = ParseModuleList(bytes.data(), bytes.size()).records;
      result.moduleList = std::move(bytes);
    }
    if (auto* n = root.get("form_overrides")) {
      auto bytes = ReadFile(*n, RawPath(*n, "form_overrides"), "form_overrides");
      result.formOverrides.assign(bytes.begin(), bytes.end());
    }
  }
};

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8, std::string_view what) {
  std::size_t stop = 0;
  if (auto text = Utf8ToCp1252(utf8, &stop)) return *text;
  char32_t c = 0;
  if (DecodeUtf8(utf8, stop, c) == 0)
    throw BuildError(std::string(what) + ": malformed UTF-8 at byte " + std::to_string(stop));
  // The control characters U+0080 to U+009F are refused, the five that stand in for the code
  // page's unassigned positions included.
  throw BuildError(std::string(what) + ": the character " + Hex(c) + " has no place in code page 1252");
}

std::string WindowsLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

Manifest ParseManifest(std::string_view text, const std::string& baseDir, const std::string& sourceName) {
  Reader r{Context(sourceName), fs::path(baseDir), {}};
  Shield sh = MakeShield(text, sourceName);
  r.shield = &sh;
  toml::table root;
  try {
    root = toml::parse(sh.text, sourceName);
  } catch (const toml::parse_error& e) {
    throw BuildError(sourceName + ":" + std::to_string(e.source().begin.line) + ": " + Unshield(e.description(), &sh));
  }
  r.Root(root);
  if (!r.result.product.files.empty()) {
    bool conduitOn = false;
    for (auto& [name, on] : r.result.product.options)
      if (name == "CKInstallDoviConduit") conduitOn = on;
    bool conduitPacked =
        std::any_of(r.result.product.files.begin(), r.result.product.files.end(),
                    [](const PackedFileDescription& f) { return SameTextAZ(f.name, kConduitToolName); });
    if (conduitPacked && !conduitOn)
      r.result.warnings.push_back(
          sourceName + ": the conduit's files are packed but CKInstallDoviConduit is off; they are never used");
  }
  return std::move(r.result);
}

void WriteManifestPayload(const Manifest& manifest, TStream& out) {
  auto form = BuildPayloadForm(manifest.product);
  if (manifest.moduleList) {
    TFileItem* list = form->PackFiles1->Items().Items(0);  // the builder writes it first
    list->Data().Clear();
    list->Data().WriteBuffer(manifest.moduleList->data(), manifest.moduleList->size());
    list->Data().SetPosition(0);
  }
  if (manifest.formOverrides.empty()) {
    WriteComponentStream(out, *form);
    return;
  }
  // Overrides are applied to the written form, so this payload is made in memory first.
  TMemoryStream written;
  WriteComponentStream(written, *form);
  form.reset();
  auto payload = ApplyFormOverrides(written.Bytes(), manifest.formOverrides);
  written.Clear();
  try {
    ReadPayload(payload);
  } catch (const std::exception& e) {
    throw BuildError(std::string("form overrides: the installer cannot read the form they make: ") + e.what());
  }
  out.WriteBuffer(payload.data(), payload.size());
}

std::vector<std::uint8_t> BuildManifestPayload(const Manifest& manifest) {
  TMemoryStream out;
  WriteManifestPayload(manifest, out);
  return std::move(out.Bytes());
}

Manifest LoadManifest(const std::string& path) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) throw BuildError(path + ": cannot read the manifest");
  fs::path p(path);
  return ParseManifest(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                       p.parent_path().empty() ? "." : p.parent_path().string(), path);
}

}  // namespace qs
