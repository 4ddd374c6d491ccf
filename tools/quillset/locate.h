// Where the tool finds what comes with it: the stub Quillset.exe and the manifest schema. An
// installed tool (PREFIX/bin/quillset) finds them in PREFIX/share/quillset; a tool run from its
// build tree (build/native/tools/quillset/quillset) finds the stub that the Windows build made
// beside it (build/windows/src/app/Quillset.exe).
#pragma once
#include <optional>
#include <string>

namespace qs::tool {

// The folder of the running program.
std::string ProgramDir();

// PREFIX/share/quillset/NAME for a tool in PREFIX/bin, when that file exists.
std::optional<std::string> InstalledFile(const std::string& name);

struct FoundStub {
  std::string path;
  const char* where;  // "installed" or "build tree"
};
// The installed stub, else the one of the Windows build beside this tool's build tree.
std::optional<FoundStub> FindStub();

}  // namespace qs::tool
