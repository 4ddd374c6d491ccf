// quillset init DIR [--name "Product name"]
// Writes a new product folder that builds at once: a commented manifest, texts, a banner and an
// icon, a readme and one small handheld application. "@NAME@" in the template's texts becomes the
// product's name, "@DIRECTORY@" the name as a folder name, "@SCHEMA@" where the manifest schema is.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "builder/manifest.h"
#include "commands.h"
#include "hostio.h"
#include "locate.h"
#include "template.h"

namespace qs::tool {
namespace {

namespace fs = std::filesystem;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The text inside a TOML string in double quotes.
std::string TomlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

void RunInit(const std::string& dir, const std::string& name) {
  if (name.empty()) throw Failure{"the product's name is empty"};
  try {
    Utf8ToCp1252(name, "the product's name");
  } catch (const BuildError& e) {
    throw Failure{e.what()};
  }
  std::error_code ec;
  if (fs::exists(dir, ec) && !fs::is_empty(dir, ec))
    throw Failure{"'" + dir + "' exists and is not empty; init writes only into a new or empty folder"};
  // The destination folder's name: the characters Windows refuses in file names left out.
  std::string folder;
  for (char c : name)
    if (std::string_view("<>:\"/\\|?*").find(c) == std::string_view::npos && static_cast<unsigned char>(c) >= 32)
      folder.push_back(c);
  std::string schema = InstalledFile("quillset.schema.json").value_or("/usr/share/quillset/quillset.schema.json");
  for (const EmbeddedFile& f : TemplateFiles()) {
    fs::path out = fs::path(dir) / f.path;
    std::vector<std::uint8_t> bytes(f.data, f.data + f.size);
    std::string path = f.path;
    if (path.ends_with(".txt") || path.ends_with(".toml")) {
      bool toml = path.ends_with(".toml");
      // In the manifest, names go into TOML strings, except on comment lines.
      std::string text(bytes.begin(), bytes.end()), result;
      for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        std::string line = text.substr(at, end - at);
        bool quoted = toml && !line.starts_with("#");
        line = ReplaceAll(line, "@SCHEMA@", schema);
        line = ReplaceAll(line, "@DIRECTORY@", quoted ? TomlEscaped(TomlEscaped(folder)) : folder);
        result += ReplaceAll(line, "@NAME@", quoted ? TomlEscaped(name) : name);
        at = end;
      }
      bytes.assign(result.begin(), result.end());
    }
    fs::create_directories(out.parent_path(), ec);
    WriteHostFile(out.string(), bytes);
  }
  std::string manifest = (fs::path(dir) / "quillset.toml").string();
  std::printf("%s: a new product, %s\nBuild its installer with:  quillset build %s -o SETUP.exe\n", dir.c_str(),
              name.c_str(), manifest.c_str());
}

Command init([](CLI::App& app) {
  struct Opts {
    std::string dir, name = "My Product";
  };
  auto o = std::make_shared<Opts>();
  auto* cmd = app.add_subcommand("init", "Write a new product folder that builds at once");
  cmd->add_option("dir", o->dir, "The folder to write (new or empty)")->required();
  cmd->add_option("--name", o->name, "The product's name, used in its texts")->capture_default_str();
  cmd->callback([o] { RunInit(o->dir, o->name); });
});

}  // namespace
}  // namespace qs::tool
