// quillset unbuild SETUP.exe [-d DIR] [--force]
// Writes DIR/quillset.toml and the files it names, from which quillset build makes the installer
// again (see builder/unbuild.h).
#include <cstdio>
#include <filesystem>
#include <memory>

#include "builder/builder.h"
#include "builder/manifest.h"
#include "builder/unbuild.h"
#include "commands.h"
#include "hostio.h"

namespace qs::tool {
namespace {

struct UnbuildOptions {
  std::string installer, dir;
  bool force = false;
};

void RunUnbuild(UnbuildOptions o) {
  if (o.dir.empty()) {
    // The installer's name without ".exe", in the current folder.
    std::filesystem::path p(o.installer);
    o.dir = p.stem().string();
    if (o.dir.empty() || o.dir == "." || o.dir == "..") o.dir = "unbuilt";
  }
  std::filesystem::path manifest = std::filesystem::path(o.dir) / "quillset.toml";
  std::error_code ec;
  if (!o.force && std::filesystem::exists(manifest, ec))
    throw Failure{manifest.string() + " exists already (give --force to replace it)"};
  UnbuildReport r;
  try {
    r = Unbuild(PayloadOf(ReadHostFile(o.installer, "installer")), o.dir);
  } catch (const BuildError& e) {
    throw Failure{o.installer + ": " + Cp1252ToUtf8(e.what())};
  }
  for (const std::string& w : r.warnings) std::fprintf(stderr, "quillset: warning: %s\n", Cp1252ToUtf8(w).c_str());
  std::printf("%s: %zu files written; the rebuild %s\n", manifest.string().c_str(), r.files.size(),
              r.identical  ? "is byte-identical"
              : r.sameForm ? "reads onto the same form"
                           : "differs (see the warnings)");
}

Command unbuild([](CLI::App& app) {
  auto opts = std::make_shared<UnbuildOptions>();
  auto* cmd = app.add_subcommand("unbuild", "Write the manifest and files that build an installer again");
  cmd->add_option("installer", opts->installer, "The installer (SETUP.exe)")->required();
  cmd->add_option("-d,--dir", opts->dir, "The folder to write (default: the installer's name without .exe)");
  cmd->add_flag("--force", opts->force, "Replace an earlier unbuild's files");
  cmd->callback([opts] { RunUnbuild(*opts); });
});

}  // namespace
}  // namespace qs::tool
