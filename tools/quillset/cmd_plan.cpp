// quillset plan SETUP.exe [--registry R.reg --drive C=DIR ...] [--users A,B | --all-users]
//                         [--dir D] [--modules A,B] [--json]
// What an installer would do to a PC, found by running its own start-up and installation run
// headless against copies of a desktop: files queued per user, files written, registry values,
// shortcuts, programs it would start, the conduit registration and every message box.
#include <cstdio>
#include <filesystem>

#include "builder/builder.h"
#include "builder/manifest.h"
#include "builder/plan.h"
#include "commands.h"
#include "core/errors.h"
#include "hostio.h"
#include "terminal.h"

namespace qs::tool {
namespace {

struct Options {
  std::string path, registry, dir, program;
  std::vector<std::string> drives, users, modules;
  bool allUsers = false, json = false;
};

void PrintHuman(const PlanReport& r) {
  Report out;
  out("program     %s\n", r.programPath.c_str());
  out("destination %s\n", r.destination.c_str());
  out("users       ");
  if (!r.desktopFound) out("(no Palm Desktop) ");
  for (std::size_t i = 0; i < r.users.size(); ++i) out("%s%s", i ? ", " : "", r.users[i].c_str());
  out("%s\n", r.autoFirstUser ? "  (AutoInstallFirstUser: the first user, without asking)" : "");
  out("modules     %zu checked\n", r.modules.size());
  for (const auto& m : r.modules) out("  %s\n", m.c_str());

  out("\nqueued for HotSync (%zu):\n", r.queued.size());
  for (const auto& q : r.queued)
    out("  queued    %s: %s\\%s (%llu bytes)\n", q.user.c_str(), q.folder.c_str(), q.name.c_str(),
        static_cast<unsigned long long>(q.size));
  out("\nfiles written into the destination (%zu):\n", r.destinationFiles.size());
  for (const auto& f : r.destinationFiles)
    out("  file      %s (%llu bytes)\n", f.path.c_str(), static_cast<unsigned long long>(f.size));
  if (!r.otherFiles.empty()) {
    out("\nother files written (%zu):\n", r.otherFiles.size());
    for (const auto& f : r.otherFiles)
      out("  written   %s (%llu bytes)\n", f.path.c_str(), static_cast<unsigned long long>(f.size));
  }
  out("\nregistry values set (%zu):\n", r.registry.size());
  for (const auto& v : r.registry)
    out("  value     %s \"%s\" = %s %s%s\n", v.key.c_str(), v.name.c_str(), v.type.c_str(), v.data.c_str(),
        v.before.empty() ? "" : (" (was " + v.before + ")").c_str());
  out("\nshortcuts (%zu):\n", r.shortcuts.size());
  for (const auto& s : r.shortcuts) {
    out("  shortcut  %s -> %s", s.link.c_str(), s.target.c_str());
    if (!s.arguments.empty()) out(" (arguments %s)", s.arguments.c_str());
    if (!s.workingDirectory.empty()) out(" (in %s)", s.workingDirectory.c_str());
    out("\n");
  }
  out("\nprograms it would start (%zu):\n", r.programs.size());
  for (const auto& p : r.programs)
    out("  program   %s (%s)\n", p.commandLine.c_str(),
        p.wait == "no" ? "not waited for" : ("waited for, " + p.wait).c_str());
  out("\nconduit     %s\n", r.conduit ? ("registered: " + r.conduitCommandLine).c_str() : "not registered");
  out("\nmessage boxes (%zu):\n", r.boxes.size());
  for (const auto& b : r.boxes)
    out("  box       [%s] %s (flags 0x%x, answered %d)\n", b.caption.c_str(), b.text.c_str(), b.flags, b.answer);
  out("\n%s\n", r.finished ? "finished: the wizard reached its Finish page" : ("stopped: " + r.stoppedAt).c_str());
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
  if (report.autoFirstUser && !o.users.empty())
    std::fprintf(stderr, "quillset: %s: --users does not apply: the installer serves the first user without asking\n",
                 o.path.c_str());
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
