// quillset: the command-line tool for the people who make and inspect installers.
#include <cstdio>
#include <exception>

#include "commands.h"
#include "wizard/classes.h"

namespace qs::tool {
std::vector<CommandSetup>& Commands() {
  static std::vector<CommandSetup> list;
  return list;
}
}  // namespace qs::tool

int main(int argc, char** argv) {
  qs::RegisterInstallerClasses();
  CLI::App app{"quillset - make and inspect Quillset installers"};
  app.require_subcommand(1);
  for (auto& setup : qs::tool::Commands()) setup(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const qs::tool::Failure& f) {
    std::fprintf(stderr, "quillset: %s\n", f.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quillset: %s\n", e.what());
    return 1;
  }
  return 0;
}
