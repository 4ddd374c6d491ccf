#include "builder/unbuild.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>

#include "builder/builder.h"
#include "builder/formtree.h"
#include "builder/manifest.h"
#include "core/text.h"
#include "packer/gpackfiles.h"
#include "ui/graphics.h"
#include "ui/stdctrls.h"
#include "wizard/unitext.h"

namespace qs {

namespace fs = std::filesystem;

namespace {

constexpr const char* kManifestName = "quillset.toml";
constexpr const char* kOverridesName = "form.txt";

// A text the manifest can carry exactly: code page 1252 that reads back the same, no zero byte.
bool Sayable(std::string_view cp1252) {
  if (cp1252.find('\0') != std::string_view::npos) return false;
  try {
    return Utf8ToCp1252(Cp1252ToUtf8(cp1252), "") == cp1252;
  } catch (const BuildError&) {
    return false;
  }
}
// A caption: the manifest turns a line break "\n" alone into "\r\n".
bool SayableCaption(std::string_view cp1252) { return Sayable(cp1252) && WindowsLineBreaks(cp1252) == cp1252; }

// A TOML basic string of a code page 1252 text. A caption whose line breaks are all "\r\n" is
// written over several lines, as a person would write it.
std::string Toml(std::string_view cp1252, bool caption = false) {
  bool lines = caption && cp1252.find("\r\n") != std::string_view::npos;
  for (std::size_t i = 0; lines && i < cp1252.size(); ++i)
    lines = cp1252[i] != '\r' || (i + 1 < cp1252.size() && cp1252[i + 1] == '\n');
  std::string out = lines ? "\"\"\"\n" : "\"";
  for (char c : Cp1252ToUtf8(cp1252)) {
    if (lines && c == '\r') continue;
    if (lines && c == '\n') {
      out += c;
      continue;
    }
    auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\', out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out + (lines ? "\"\"\"" : "\"");
}

// A stored name as a host file name below "files/", when it is a plain one and no other file has
// it already (in any letter case).
std::string HostName(const std::string& name, std::vector<std::string>& used) {
  static constexpr std::string_view kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                                  "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                                  "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
  std::string up = UpperAZ(name);
  std::string stem = up.substr(0, up.find('.'));
  bool plain = !name.empty() && name.size() <= 100 && name != "." && name != ".." && name.back() != '.' &&
               name.back() != ' ' && std::find(std::begin(kDevices), std::end(kDevices), stem) == std::end(kDevices) &&
               std::all_of(name.begin(), name.end(), [](char c) {
                 return c >= 0x20 && c < 0x7F && std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos;
               });
  std::string host = name;
  for (std::size_t n = used.size() + 1; !plain || std::find(used.begin(), used.end(), UpperAZ(host)) != used.end();
       ++n, plain = true)
    host = "file" + std::to_string(n);
  used.push_back(UpperAZ(host));
  return "files/" + host;
}

std::string ActionText(std::int32_t a) {
  switch (a) {
    case maInstall:
      return "\"install\"";
    case maRun:
      return "\"run\"";
    case maRunWait:
      return "\"run-wait\"";
    case maQueueAndCopy:
      return "\"queue-and-copy\"";
    default:
      return std::to_string(a);
  }
}

// How deep components nest below the root (the root alone: 1). The text form indents each line by
// its depth, so a deep form would give a text many times the payload's size; real forms nest about
// five deep.
int Depth(const TComponent& c) {
  int d = 0;
  for (const TComponent* child : c.Children()) d = std::max(d, Depth(*child));
  return d + 1;
}
constexpr int kMaxDepth = 64;

// How much of the form the manifest says: everything; all but the modules and packed files; only
// texts and pictures; nothing.
enum class Level { All, Options, Texts, Nothing };
constexpr const char* kLeftOut[] = {"the modules and packed files", "the options", "the texts and pictures"};

class Unbuilder {
 public:
  Unbuilder(const std::vector<std::uint8_t>& payload, const std::string& dir) : dir_(dir) {
    try {
      form_ = ReadPayload(payload, &consumed_);
    } catch (const BuildError&) {
      throw;
    } catch (const std::exception& e) {
      throw BuildError(std::string("the payload cannot be read: ") + e.what());
    }
    if (int depth = Depth(*form_); depth > kMaxDepth)
      throw BuildError("the form's components nest " + std::to_string(depth) + " deep; unbuild takes at most " +
                       std::to_string(kMaxDepth));
    payloadSize_ = payload.size();
    original_.assign(payload.begin(), payload.begin() + static_cast<long>(consumed_));
    if (consumed_ < payload.size())
      report_.warnings.push_back(std::to_string(payload.size() - consumed_) +
                                 " bytes follow the form's record; the installer ignores them and the rebuild "
                                 "leaves them out");
  }

  UnbuildReport Run() {
    std::error_code ec;
    fs::create_directories(dir_, ec);
    if (!fs::is_directory(dir_)) throw BuildError("cannot make the folder '" + dir_.string() + "'");
    Gather();
    std::vector<std::uint8_t> built;
    Level level = Level::All;
    for (;; level = static_cast<Level>(static_cast<int>(level) + 1)) {
      try {
        built = BuildFrom(ManifestText(level, false));
        break;
      } catch (const BuildError& e) {
        if (level == Level::Nothing) throw;
        report_.warnings.push_back(std::string("the manifest cannot say ") + kLeftOut[static_cast<int>(level)] +
                                   " of this form (" + e.what() + "); form.txt carries them");
      }
    }
    if (level != Level::All && !packed_.empty())
      report_.warnings.push_back("the files in files/ are for reading only: form.txt carries the packed files");
    std::vector<std::uint8_t> rebuilt = built;
    if (built == original_) {  // the same bytes: nothing to compare
      report_.identical = consumed_ == payloadSize_;
      report_.sameForm = true;
      return Finish();
    }
    FormDifference diff = DiffForms(original_, built, Same(built));
    if (!diff.fragment.empty()) {
      for (const std::string& w : diff.warnings) report_.warnings.push_back("form.txt: " + w);
      Write(kOverridesName, std::vector<std::uint8_t>(diff.fragment.begin(), diff.fragment.end()));
      rebuilt = BuildFrom(ManifestText(level, true));
    }
    report_.identical = rebuilt == original_ && consumed_ == payloadSize_;
    FormDifference left = DiffForms(original_, rebuilt, Same(rebuilt));
    report_.sameForm = left.fragment.empty();
    for (const std::string& w : left.warnings) report_.warnings.push_back("the rebuild still differs: " + w);
    return Finish();
  }

 private:
  UnbuildReport Finish() {
    std::rotate(report_.files.begin(), std::find(report_.files.begin(), report_.files.end(), kManifestName),
                std::find(report_.files.begin(), report_.files.end(), kManifestName) + 1);
    return std::move(report_);
  }

  void Write(const std::string& rel, const std::vector<std::uint8_t>& bytes) {
    fs::path path = dir_ / rel;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw BuildError("cannot write '" + path.string() + "'");
    if (std::find(report_.files.begin(), report_.files.end(), rel) == report_.files.end()) report_.files.push_back(rel);
  }
  void WriteText(const std::string& rel, const std::string& text) {
    Write(rel, std::vector<std::uint8_t>(text.begin(), text.end()));
  }

  std::vector<std::uint8_t> BuildFrom(const std::string& manifest) {
    WriteText(kManifestName, manifest);
    Manifest m = LoadManifest((dir_ / kManifestName).string());
    return BuildManifestPayload(m);
  }

  // The packed files are the same in meaning when they have the same names, descriptions,
  // compress flags and expanded bytes: another builder's compressor makes other containers.
  SameMeaning Same(const std::vector<std::uint8_t>& built) {
    return
        [this, &built](const std::string& path, const std::string& property, const std::string&, const std::string&) {
          if (property != "Items" || std::count(path.begin(), path.end(), '.') != 1 || !path.ends_with(".PackFiles1") ||
              !form_->PackFiles1)
            return false;
          std::unique_ptr<TFormTools> other;
          try {
            other = ReadPayload(built);
          } catch (const std::exception&) {
            return false;
          }
          if (!other->PackFiles1) return false;
          TFileCollection &a = form_->PackFiles1->Items(), &b = other->PackFiles1->Items();
          if (a.Count() != b.Count()) return false;
          for (int i = 0; i < a.Count(); ++i) {
            TFileItem &x = *a.Items(i), &y = *b.Items(i);
            if (x.Name() != y.Name() || x.Description() != y.Description() || x.Compress != y.Compress ||
                x.Data().Bytes() != y.Data().Bytes())
              return false;
          }
          if (!recompressNoted_)
            report_.warnings.push_back(
                "the packed files' compressed containers are not the ones this builder makes; "
                "the rebuild compresses the same bytes anew");
          recompressNoted_ = true;
          return true;
        };
  }

  // What the manifest may say, taken from the form; the files written once.
  void Gather() {
    TFormTools& f = *form_;
    if (SayableCaption(f.Caption())) caption_ = f.Caption();
    if (f.DirectoryEdit1 && Sayable(f.DirectoryEdit1->Text())) directory_ = f.DirectoryEdit1->Text();
    for (auto name : kOptionNames)
      if (auto* box = dynamic_cast<TCheckBox*>(f.FindComponent(name)))
        options_ += std::string(name) + " = " + (box->Checked() ? "true" : "false") + "\n";
    auto captions = [&](const auto& names, std::string& out, bool message) {
      for (auto name : names)
        if (auto* c = dynamic_cast<TControl*>(f.FindComponent(name)))
          if (SayableCaption(c->Caption()) && (!message || c->Caption().size() <= kMaxMessageText))
            out += std::string(name) + " = " + Toml(c->Caption(), true) + "\n";
    };
    captions(kPageTextNames, texts_, false);
    captions(kMessageNames, messages_, true);
    captions(kNumberNames, numbers_, false);
    for (auto [name, file] : {std::pair{"MemoWelcome", "welcome"}, std::pair{"MemoLicence", "licence"}}) {
      auto* memo = dynamic_cast<TMemo*>(f.FindComponent(name));
      if (!memo) continue;
      std::string text;
      bool ok = true;
      for (const std::string& line : memo->Lines().Lines()) {
        ok = ok && Sayable(line) && line.find('\n') == std::string::npos && !line.ends_with('\r');
        text += Cp1252ToUtf8(line) + "\n";
      }
      if (!ok) continue;
      WriteText(std::string(file) + ".txt", text);
      memos_ += std::string(file) + " = \"" + file + ".txt\"\n";
    }
    if (auto* image = dynamic_cast<TImage*>(f.FindComponent("Image1")))
      if (auto* jpeg = dynamic_cast<TJPEGImage*>(image->Picture().Graphic()); jpeg && jpeg->Pixels().width > 0) {
        Write("banner.jpg", jpeg->Bytes());
        pictures_ += "banner = \"banner.jpg\"\n";
      }
    if (auto* image = dynamic_cast<TImage*>(f.FindComponent("Image2")))
      if (auto* icon = dynamic_cast<TIcon*>(image->Picture().Graphic()); icon && !icon->Empty()) {
        Write("icon.ico", icon->Bytes());
        pictures_ += "icon = \"icon.ico\"\n";
      }
    if (!f.PackFiles1) return;
    TFileCollection& items = f.PackFiles1->Items();
    std::vector<std::string> used;
    int list = -1;
    for (int i = 0; i < items.Count(); ++i) {
      TFileItem& item = *items.Items(i);
      if (list < 0 && SameTextAZ(item.Name(), kModuleListName)) {
        list = i;
        compressList_ = item.Compress;
        continue;
      }
      std::string rel = HostName(item.Name(), used);
      Write(rel, item.Data().Bytes());
      packed_ += "\n[[file]]\nfile = \"" + rel + "\"\n";
      if (rel != "files/" + item.Name()) packed_ += "name = " + Toml(item.Name()) + "\n";
      if (!item.Description().empty()) packed_ += "description = " + Toml(item.Description()) + "\n";
      packed_ += std::string("compress = ") + (item.Compress ? "true" : "false") + "\n";
    }
    if (list < 0) return;
    const auto& raw = items.Items(list)->Data().Bytes();
    auto parsed = ParseModuleList(raw.data(), raw.size());
    bool sayable = parsed.accepted && ModuleListBytes(parsed.records) == raw;
    std::string modules;
    for (const TModuleRec& r : parsed.records) {
      std::string source = ModuleText(r.SourcePath), title = ModuleText(r.Title), group = ModuleText(r.Group),
                  programGroup = ModuleText(r.ProgramGroup);
      sayable = sayable && Sayable(source) && Sayable(title) && Sayable(group) && Sayable(programGroup);
      modules += "\n[[module]]\nsource_path = " + Toml(source) + "\n";
      if (!title.empty()) modules += "title = " + Toml(title) + "\n";
      if (!group.empty()) modules += "group = " + Toml(group) + "\n";
      if (!programGroup.empty()) modules += "program_group = " + Toml(programGroup) + "\n";
      if (r.MakeShortcut != 0)
        modules += "shortcut = " + (r.MakeShortcut == 1 ? std::string("true") : std::to_string(r.MakeShortcut)) + "\n";
      if (r.Action != maInstall) modules += "action = " + ActionText(r.Action) + "\n";
    }
    if (sayable) {
      modules_ = modules;
    } else {
      std::string rel = HostName(std::string(kModuleListName), used);
      Write(rel, raw);
      moduleList_ = "module_list = \"" + rel + "\"\n";
      report_.warnings.push_back(std::string(kModuleListName) +
                                 ": the module list holds bytes that [[module]] entries cannot say; the manifest "
                                 "names it as it stands (" +
                                 rel + ")");
    }
  }

  std::string ManifestText(Level level, bool overrides) const {
    std::string t =
        "# Made by quillset unbuild. Build the installer again with\n"
        "#   quillset build quillset.toml --stub Quillset.exe -o SETUP.exe\n";
    if (level == Level::Nothing)
      return t + (overrides ? std::string("form_overrides = \"") + kOverridesName + "\"\n" : "");
    t += "\n";
    if (caption_) t += "caption = " + Toml(*caption_, true) + "\n";
    if (directory_) t += "directory = " + Toml(*directory_) + "\n";
    if (level == Level::All) t += std::string("compress = ") + (compressList_ ? "true" : "false") + "\n";
    if (level == Level::All) t += moduleList_;
    if (overrides) t += std::string("form_overrides = \"") + kOverridesName + "\"\n";
    auto section = [&](const char* name, const std::string& body) {
      if (!body.empty()) t += std::string("\n[") + name + "]\n" + body;
    };
    if (level <= Level::Options) section("options", options_);
    section("pictures", pictures_);
    section("memos", memos_);
    section("texts", texts_);
    section("messages", messages_);
    section("numbers", numbers_);
    if (level == Level::All) t += (moduleList_.empty() ? modules_ : "") + packed_;
    return t;
  }

  fs::path dir_;
  std::unique_ptr<TFormTools> form_;
  std::size_t consumed_ = 0, payloadSize_ = 0;
  std::vector<std::uint8_t> original_;
  UnbuildReport report_;
  bool recompressNoted_ = false;
  std::optional<std::string> caption_, directory_;
  bool compressList_ = true;
  std::string options_, texts_, messages_, numbers_, memos_, pictures_, modules_, packed_, moduleList_;
};

}  // namespace

UnbuildReport Unbuild(const std::vector<std::uint8_t>& payload, const std::string& dir) {
  try {
    return Unbuilder(payload, dir).Run();
  } catch (const BuildError&) {
    throw;
  } catch (const std::exception& e) {
    // The form read, but its text form or a rebuild did not: say so as a builder's error.
    throw BuildError(std::string("cannot unbuild this form: ") + e.what());
  }
}

}  // namespace qs
