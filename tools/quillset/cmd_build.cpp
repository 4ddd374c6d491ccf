// quillset build MANIFEST -o SETUP.exe [--stub Quillset.exe] [--payload-only] [--sign CERT.pfx ...]
// Builds a product's installer: the stub followed by the payload made from the manifest. Without
// --stub or the manifest's stub, the installed stub is taken, else the Windows build's beside the
// tool. --sign then signs the whole installer.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "builder/builder.h"
#include "builder/manifest.h"
#include "commands.h"
#include "hostio.h"
#include "locate.h"
#include "progress.h"
#include "signing.h"

namespace qs::tool {
namespace {

struct BuildOptions {
  std::string manifest, output, stub;
  bool payloadOnly = false, quiet = false;
  SignOptions sign;
};

void RunBuild(const BuildOptions& o) {
  if (o.payloadOnly && !o.sign.certificate.empty())
    throw Failure{"--sign needs an installer: a payload alone is no Windows program"};
  Manifest m;
  std::vector<std::uint8_t> result;
  Progress progress("build", 0, 0, o.quiet);
  try {
    m = LoadManifest(o.manifest);
    for (const std::string& w : m.warnings) std::fprintf(stderr, "quillset: warning: %s\n", w.c_str());
    for (const std::string& w : CheckInstallerDescription(m.product))
      std::fprintf(stderr, "quillset: warning: %s: %s\n", o.manifest.c_str(), w.c_str());
    // The builder packs in one go: the line shows what is being packed until it is done.
    std::uint64_t files = m.product.files.size(), bytes = 0;
    for (const auto& f : m.product.files) bytes += f.bytes.size();
    progress.SetTotals(files, bytes);
    if (o.payloadOnly) {
      progress.Set(0, 0);
      result = BuildManifestPayload(m);
    } else {
      std::string stub = !o.stub.empty() ? o.stub : m.stubPath.value_or("");
      if (stub.empty()) {
        auto found = FindStub();
        if (!found)
          throw Failure{"no stub: give --stub Quillset.exe, or stub = \"...\" in " + o.manifest +
                        " (none is installed in PREFIX/share/quillset, none built beside this tool)"};
        stub = found->path;
        std::fprintf(stderr, "quillset: stub: %s (%s)\n", stub.c_str(), found->where);
      }
      // The manifest's stub, when missing, is shown where the manifest names it.
      if (o.stub.empty() && m.stubPath && !std::filesystem::is_regular_file(stub))
        throw Failure{m.stubWhere + ": stub: file '" + stub + "' not found"};
      auto stubBytes = ReadHostFile(stub, "stub");
      try {
        CheckStub(stubBytes);
      } catch (const BuildError& e) {
        throw Failure{stub + ": " + e.what()};
      }
      progress.Set(0, 0);
      result = stubBytes;
      auto payload = BuildManifestPayload(m);
      result.insert(result.end(), payload.begin(), payload.end());
    }
    progress.Set(files, bytes);
  } catch (const BuildError& e) {
    throw Failure{e.what()};
  }
  progress.Finish();
  if (!o.sign.certificate.empty()) {
    std::string unsigned_ = o.output + ".unsigned";
    WriteHostFile(unsigned_, result);
    try {
      SignInstaller(unsigned_, o.output, o.sign);
    } catch (...) {
      std::remove(unsigned_.c_str());
      throw;
    }
    std::remove(unsigned_.c_str());
  } else {
    WriteHostFile(o.output, result);
  }
  std::size_t payload = o.payloadOnly ? result.size() : result.size() - kStubSize;
  std::error_code ec;
  auto size = static_cast<std::size_t>(std::filesystem::file_size(o.output, ec));
  std::printf("%s: %zu bytes (payload %zu bytes; %zu modules, %zu packed files)%s\n", o.output.c_str(),
              ec ? result.size() : size, payload, m.product.modules.size(), m.product.files.size() + 1,
              o.sign.certificate.empty() ? "" : ", signed");
}

Command build([](CLI::App& app) {
  auto opts = std::make_shared<BuildOptions>();
  auto* cmd = app.add_subcommand("build", "Build a product's installer from its manifest");
  cmd->add_option("manifest", opts->manifest, "The product's manifest (TOML)")->required();
  cmd->add_option("-o,--output", opts->output, "The installer to write")->required();
  cmd->add_option("--stub", opts->stub, "The stub Quillset.exe (default: the manifest's stub, else the installed one)");
  cmd->add_flag("--payload-only", opts->payloadOnly, "Write the payload alone, without a stub");
  cmd->add_option("--sign", opts->sign.certificate, "Sign the installer with this certificate and key (PKCS#12, .pfx)")
      ->check(CLI::ExistingFile);
  AddSignOptions(*cmd, opts->sign);
  cmd->add_flag("-q,--quiet", opts->quiet, "Show no progress on the terminal");
  cmd->callback([opts] { RunBuild(*opts); });
});

}  // namespace
}  // namespace qs::tool
