#include "locate.h"

#include <filesystem>

namespace qs::tool {

namespace fs = std::filesystem;

namespace {

bool IsFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

}  // namespace

std::string ProgramDir() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : self.parent_path().string();
}

std::optional<std::string> InstalledFile(const std::string& name) {
  fs::path p = fs::path(ProgramDir()).parent_path() / "share" / "quillset" / name;
  if (IsFile(p)) return p.string();
  return std::nullopt;
}

std::optional<FoundStub> FindStub() {
  if (auto installed = InstalledFile("Quillset.exe")) return FoundStub{*installed, "installed"};
  // The build tree is the nearest folder above the tool that holds a CMakeCache.txt; the Windows
  // build is its sibling "windows".
  fs::path dir = ProgramDir();
  for (int up = 0; up < 4 && !dir.empty(); ++up, dir = dir.parent_path()) {
    if (!IsFile(dir / "CMakeCache.txt")) continue;
    fs::path stub = dir.parent_path() / "windows" / "src" / "app" / "Quillset.exe";
    if (IsFile(stub)) return FoundStub{fs::weakly_canonical(stub).string(), "build tree"};
    break;
  }
  return std::nullopt;
}

}  // namespace qs::tool
