// quillset build MANIFEST -o SETUP.exe [--stub Quillset.exe] [--payload-only] [--sign CERT.pfx ...]
// Builds a product's installer: the stub followed by the payload made from the manifest, written
// to the file as it is made, with one packed file in memory at a time. Without --stub or the
// manifest's stub, the installed stub is taken, else the Windows build's beside the tool. --sign
// then signs the whole installer.
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
  std::vector<std::uint8_t> stubBytes;
  try {
    m = LoadManifest(o.manifest);
    for (const std::string& w : m.warnings) std::fprintf(stderr, "quillset: warning: %s\n", w.c_str());
    for (const std::string& w : CheckInstallerDescription(m.product))
      std::fprintf(stderr, "quillset: warning: %s: %s\n", o.manifest.c_str(), w.c_str());
    if (!o.payloadOnly) {
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
      stubBytes = ReadHostFile(stub, "stub");
      try {
        CheckStub(stubBytes);
      } catch (const BuildError& e) {
        throw Failure{stub + ": " + e.what()};
      }
    }
  } catch (const BuildError& e) {
    throw Failure{e.what()};
  }

  // The installer goes straight to its file, each packed file read, packed and written in turn;
  // a signed one is written beside the output first and signed into place.
  const std::string target = o.sign.certificate.empty() ? o.output : o.output + ".unsigned";
  std::uint64_t files = m.product.files.size(), bytes = 0;
  for (const auto& f : m.product.files) bytes += f.Size();
  std::int64_t written = 0;
  {
    THostOutput out(target);
    Progress progress("build", files, bytes, o.quiet);
    // The line counts a file once it is opened for packing.
    for (auto& f : m.product.files)
      if (f.open)
        f.open = [inner = std::move(f.open), &progress, length = f.length] {
          auto s = inner();
          progress.Advance(1, length);
          return s;
        };
    try {
      out.Stream().WriteBuffer(stubBytes.data(), stubBytes.size());
      WriteManifestPayload(m, out.Stream());
      written = out.Stream().Position();
    } catch (const BuildError& e) {
      throw Failure{e.what()};
    } catch (const EWriteError&) {
      throw Failure{"cannot write '" + target + "'"};
    }
    progress.Set(files, bytes);
    progress.Finish();
    out.Commit();
  }
  if (!o.sign.certificate.empty()) {
    try {
      SignInstaller(target, o.output, o.sign);
    } catch (...) {
      std::remove(target.c_str());
      throw;
    }
    std::remove(target.c_str());
  }
  const auto payload = static_cast<std::size_t>(written) - stubBytes.size();
  std::error_code ec;
  auto size = static_cast<std::size_t>(std::filesystem::file_size(o.output, ec));
  std::printf("%s: %zu bytes (payload %zu bytes; %zu modules, %zu packed files)%s\n", o.output.c_str(),
              ec ? static_cast<std::size_t>(written) : size, payload, m.product.modules.size(),
              m.product.files.size() + 1, o.sign.certificate.empty() ? "" : ", signed");
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
