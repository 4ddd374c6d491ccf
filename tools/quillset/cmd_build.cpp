// quillset build MANIFEST -o SETUP.exe [--stub Quillset.exe] [--payload-only]
// Builds a product's installer: the stub followed by the payload made from the manifest.
#include <cstdio>
#include <memory>

#include "builder/manifest.h"
#include "commands.h"
#include "hostio.h"
#include "wizard/builder.h"

namespace qs::tool {
namespace {

struct BuildOptions {
  std::string manifest, output, stub;
  bool payloadOnly = false;
};

void RunBuild(const BuildOptions& o) {
  Manifest m;
  std::vector<std::uint8_t> result;
  try {
    m = LoadManifest(o.manifest);
    for (const std::string& w : m.warnings) std::fprintf(stderr, "quillset: warning: %s\n", w.c_str());
    for (const std::string& w : CheckInstallerDescription(m.product))
      std::fprintf(stderr, "quillset: warning: %s: %s\n", o.manifest.c_str(), w.c_str());
    if (o.payloadOnly) {
      result = BuildManifestPayload(m);
    } else {
      std::string stub = !o.stub.empty() ? o.stub : m.stubPath.value_or("");
      if (stub.empty()) throw Failure{"no stub: give --stub Quillset.exe, or stub = \"...\" in " + o.manifest};
      auto stubBytes = ReadHostFile(stub, "stub");
      try {
        CheckStub(stubBytes);
      } catch (const BuildError& e) {
        throw Failure{stub + ": " + e.what()};
      }
      result = stubBytes;
      auto payload = BuildManifestPayload(m);
      result.insert(result.end(), payload.begin(), payload.end());
    }
  } catch (const BuildError& e) {
    throw Failure{e.what()};
  }
  WriteHostFile(o.output, result);
  std::size_t payload = o.payloadOnly ? result.size() : result.size() - kStubSize;
  std::printf("%s: %zu bytes (payload %zu bytes; %zu modules, %zu packed files)\n", o.output.c_str(), result.size(),
              payload, m.product.modules.size(), m.product.files.size() + 1);
}

Command build([](CLI::App& app) {
  auto opts = std::make_shared<BuildOptions>();
  auto* cmd = app.add_subcommand("build", "Build a product's installer from its manifest");
  cmd->add_option("manifest", opts->manifest, "The product's manifest (TOML)")->required();
  cmd->add_option("-o,--output", opts->output, "The installer to write")->required();
  cmd->add_option("--stub", opts->stub, "The stub Quillset.exe (default: the manifest's stub)");
  cmd->add_flag("--payload-only", opts->payloadOnly, "Write the payload alone, without a stub");
  cmd->callback([opts] { RunBuild(*opts); });
});

}  // namespace
}  // namespace qs::tool
