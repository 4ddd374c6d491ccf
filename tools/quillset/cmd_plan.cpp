// quillset plan SETUP.exe [--registry R.reg --drive C=DIR ...] [--users A,B | --all-users]
//                         [--dir D] [--modules A,B] [--json]
// What an installer would do to a PC, found by running its own start-up and installation run
// headless against copies of a desktop: files queued per user, files written, registry values,
// shortcuts, programs it would start, the conduit registration and every message box.
#include <cstdio>
#include <filesystem>

#include "builder/manifest.h"
#include "builder/plan.h"
#include "commands.h"
#include "core/errors.h"
#include "hostio.h"
#include "wizard/builder.h"

namespace qs::tool {
namespace {

struct Options {
  std::string path, registry, dir, program;
  std::vector<std::string> drives, users, modules;
  bool allUsers = false, json = false;
};

void PrintHuman(const PlanReport& r) {
  std::printf("program     %s\n", r.programPath.c_str());
  std::printf("destination %s\n", r.destination.c_str());
  std::printf("users       ");
  if (!r.desktopFound) std::printf("(no Palm Desktop) ");
  for (std::size_t i = 0; i < r.users.size(); ++i) std::printf("%s%s", i ? ", " : "", r.users[i].c_str());
  std::printf("%s\n", r.autoFirstUser ? "  (AutoInstallFirstUser: the first user, without asking)" : "");
  std::printf("modules     %zu checked\n", r.modules.size());
  for (const auto& m : r.modules) std::printf("  %s\n", m.c_str());

  std::printf("\nqueued for HotSync (%zu):\n", r.queued.size());
  for (const auto& q : r.queued)
    std::printf("  queued    %s: %s\\%s (%llu bytes)\n", q.user.c_str(), q.folder.c_str(), q.name.c_str(),
                static_cast<unsigned long long>(q.size));
  std::printf("\nfiles written into the destination (%zu):\n", r.destinationFiles.size());
  for (const auto& f : r.destinationFiles)
    std::printf("  file      %s (%llu bytes)\n", f.path.c_str(), static_cast<unsigned long long>(f.size));
  if (!r.otherFiles.empty()) {
    std::printf("\nother files written (%zu):\n", r.otherFiles.size());
    for (const auto& f : r.otherFiles)
      std::printf("  written   %s (%llu bytes)\n", f.path.c_str(), static_cast<unsigned long long>(f.size));
  }
  std::printf("\nregistry values set (%zu):\n", r.registry.size());
  for (const auto& v : r.registry)
    std::printf("  value     %s \"%s\" = %s %s%s\n", v.key.c_str(), v.name.c_str(), v.type.c_str(), v.data.c_str(),
                v.before.empty() ? "" : (" (was " + v.before + ")").c_str());
  std::printf("\nshortcuts (%zu):\n", r.shortcuts.size());
  for (const auto& s : r.shortcuts) {
    std::printf("  shortcut  %s -> %s", s.link.c_str(), s.target.c_str());
    if (!s.arguments.empty()) std::printf(" (arguments %s)", s.arguments.c_str());
    if (!s.workingDirectory.empty()) std::printf(" (in %s)", s.workingDirectory.c_str());
    std::printf("\n");
  }
  std::printf("\nprograms it would start (%zu):\n", r.programs.size());
  for (const auto& p : r.programs)
    std::printf("  program   %s (%s)\n", p.commandLine.c_str(),
                p.wait == "no" ? "not waited for" : ("waited for, " + p.wait).c_str());
  std::printf("\nconduit     %s\n", r.conduit ? ("registered: " + r.conduitCommandLine).c_str() : "not registered");
  std::printf("\nmessage boxes (%zu):\n", r.boxes.size());
  for (const auto& b : r.boxes)
    std::printf("  box       [%s] %s (flags 0x%x, answered %d)\n", b.caption.c_str(), b.text.c_str(), b.flags,
                b.answer);
  std::printf("\n%s\n",
              r.finished ? "finished: the wizard reached its Finish page" : ("stopped: " + r.stoppedAt).c_str());
}

void Run(const Options& o) {
  PlanOptions p;
  if (!o.registry.empty()) {
    std::vector<std::uint8_t> text = ReadHostFile(o.registry, "registry export");
    p.registryText.assign(text.begin(), text.end());
    if (p.registryText.empty()) throw Failure{o.registry + ": empty"};
  }
  for (const std::string& d : o.drives) {
    char letter = d.empty() ? 0 : d[0];
    bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (d.size() < 3 || !isLetter || d[1] != '=') throw Failure{"--drive wants LETTER=FOLDER, not " + d};
    p.drives.emplace_back(letter, d.substr(2));
  }
  if (!o.users.empty()) p.users = o.users;
  if (!o.modules.empty()) p.modules = o.modules;
  if (!o.dir.empty()) p.directory = o.dir;
  p.programPath = o.program;
  p.installerName = std::filesystem::path(o.path).filename().string();

  std::vector<std::uint8_t> installer = ReadHostFile(o.path, "installer");
  try {
    PayloadOf(installer);  // a file without a payload is no installer to plan
  } catch (const BuildError& e) {
    throw Failure{o.path + ": " + e.what()};
  }
  PlanReport report;
  try {
    report = RunPlan(installer, p);
  } catch (const PlanError& e) {
    throw Failure{o.path + ": " + e.what()};
  } catch (const Exception& e) {
    throw Failure{o.path + ": " + Cp1252ToUtf8(e.what())};
  } catch (const std::filesystem::filesystem_error& e) {
    throw Failure{std::string(e.what())};
  }
  if (o.json) {
    std::string text = PlanJson(report);
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    PrintHuman(report);
  }
  if (!report.finished) throw Failure{o.path + ": the installation would not finish: " + report.stoppedAt};
}

Command plan([](CLI::App& app) {
  auto o = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("plan", "Show what an installer would do to a PC, without doing it");
  cmd->add_option("installer", o->path, "The installer (SETUP.exe)")->required();
  cmd->add_option("--registry", o->registry, "HKEY_CURRENT_USER as a REGEDIT4 export (.reg)");
  cmd->add_option("--drive", o->drives, "A drive as a host folder, LETTER=FOLDER (copied; the first is current)");
  auto* users =
      cmd->add_option("--users", o->users, "Only these Palm Desktop users (names, comma-separated)")->delimiter(',');
  auto* all = cmd->add_flag("--all-users", o->allUsers, "Every Palm Desktop user (the default)");
  users->excludes(all);
  cmd->add_option("--dir", o->dir, "The destination directory instead of the installer's default");
  cmd->add_option("--modules", o->modules, "Only these modules (tree texts or file names, comma-separated)")
      ->delimiter(',');
  cmd->add_option("--program", o->program, "Where the installer sits on the desktop (default: C:\\Setup\\NAME)");
  cmd->add_flag("--json", o->json, "The report as one JSON document");
  cmd->callback([o] { Run(*o); });
});

}  // namespace
}  // namespace qs::tool
