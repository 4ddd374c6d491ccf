// The installer manifest: any text gives a description or a BuildError, never a crash. Relative
// paths resolve in an empty folder, so only absolute paths can reach files.
#include <cstdint>
#include <filesystem>
#include <string>

#include "builder/manifest.h"
#include "wizard/classes.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qs::RegisterInstallerClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string base = [] {
    auto dir = std::filesystem::temp_directory_path() / "qs_fuzz_manifest";
    std::filesystem::create_directories(dir);
    return dir.string();
  }();
  try {
    qs::Manifest m = qs::ParseManifest(std::string(reinterpret_cast<const char*>(data), size), base, "fuzz.toml");
    (void)qs::CheckInstallerDescription(m.product);
  } catch (const qs::BuildError&) {
  }
  return 0;
}
