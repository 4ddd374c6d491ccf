// Module names and link texts come from a payload. Whatever they are:
// - a module file name that the name check lets through stays one file directly inside the
//   directory it is joined to (as the portable file system resolves Windows paths);
// - a link file is built from any target, arguments and working directory the link object takes,
//   and reads back with the same texts.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "install/lnk_reader.h"
#include "install/safename.h"
#include "platform/portable/files.h"
#include "platform/portable/shelllinks_portable.h"

namespace {

void CheckName(const std::string& source) {
  std::string name;
  try {
    name = qs::ModuleFileName(source);
  } catch (const qs::EBadFileName&) {
    return;
  }
  for (const char* dir : {"C:\\Dest\\", "C:\\"}) {
    auto p = qs::ParseWindowsPath(std::string(dir) + name, 'C');
    if (!p) continue;  // refused outright: nothing is written anywhere
    const std::size_t depth = std::string(dir) == "C:\\" ? 1 : 2;
    if (p->drive != 'C' || p->parts.size() != depth || (depth == 2 && p->parts[0] != "Dest")) std::abort();
  }
}

void CheckLink(const std::string& path, const std::string& args, const std::string& dir) {
  if (path.size() > 259 || args.size() > 1023 || dir.size() > 259) return;  // the link object refuses them
  qs::ShellLinkTarget target;
  auto bytes = qs::BuildShellLinkFile(path, args, dir, target);
  auto link = qs::test::ReadLinkFile(bytes);
  if (!link.ok) std::abort();
  auto plain = [](const std::string& s) {
    for (char c : s)
      if (c == '\0' || static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
  };
  if (plain(args) && link.arguments != args) std::abort();
  if (plain(dir) && link.workingDirectory != dir) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  CheckName(input);
  // Three texts separated by '\n'.
  const auto a = input.find('\n');
  const auto b = a == std::string::npos ? std::string::npos : input.find('\n', a + 1);
  if (b != std::string::npos) CheckLink(input.substr(0, a), input.substr(a + 1, b - a - 1), input.substr(b + 1));
  return 0;
}
