// quillset list SETUP.exe [--json]      the packed files, options and modules of an installer
// quillset test SETUP.exe               reads the whole payload, expands every file and checks
//                                       what the wizard relies on; exit status 0 when sound
#include <algorithm>
#include <cstdio>
#include <memory>

#include "builder/manifest.h"
#include "commands.h"
#include "core/text.h"
#include "hostio.h"
#include "wizard/builder.h"
#include "wizard/unitext.h"

namespace qs::tool {
namespace {

struct Loaded {
  std::vector<std::uint8_t> payload;
  std::unique_ptr<TFormTools> form;
  std::size_t consumed = 0;
};

// Reads the installer and its payload onto a fresh form. Payload texts are code page 1252.
Loaded Load(const std::string& path) {
  Loaded l;
  try {
    l.payload = PayloadOf(ReadHostFile(path, "installer"));
    l.form = ReadPayload(l.payload, &l.consumed);
  } catch (const BuildError& e) {
    throw Failure{path + ": " + e.what()};
  } catch (const std::exception& e) {
    throw Failure{path + ": the payload cannot be read: " + Cp1252ToUtf8(e.what())};
  }
  return l;
}

std::string Show(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

std::string ActionName(std::int32_t action) {
  switch (action) {
    case maInstall:
      return "install";
    case maRun:
      return "run";
    case maRunWait:
      return "run-wait";
    case maQueueAndCopy:
      return "queue-and-copy";
    default:
      return std::to_string(action);
  }
}

void RunList(const std::string& path) {
  Loaded l = Load(path);
  TFormTools& f = *l.form;
  std::printf("%s: payload of %zu bytes after the %zu-byte stub\n", path.c_str(), l.payload.size(), kStubSize);
  std::printf("caption    %s\n", Show(f.Caption()).c_str());
  if (f.DirectoryEdit1) std::printf("directory  %s\n", Show(f.DirectoryEdit1->Text()).c_str());
  std::printf("options   ");
  for (auto name : kOptionNames) {
    auto* box = dynamic_cast<TCheckBox*>(f.FindComponent(name));
    std::printf(" %.*s=%s", static_cast<int>(name.size()), name.data(),
                !box             ? "missing"
                : box->Checked() ? "on"
                                 : "off");
  }
  std::printf("\n");
  if (!f.PackFiles1) {
    std::printf("no packed files (the form has no PackFiles1)\n");
    return;
  }
  TFileCollection& items = f.PackFiles1->Items();
  std::printf("\npacked files (%d):\n  %10s  %-8s  %-16s  %s\n", items.Count(), "size", "compress", "name",
              "description");
  for (int i = 0; i < items.Count(); ++i) {
    TFileItem* item = items.Items(i);
    std::printf("  %10lld  %-8s  %s%s%s\n", static_cast<long long>(item->Data().Size()), item->Compress ? "yes" : "no",
                Show(item->Name()).c_str(),
                item->Description().empty()
                    ? ""
                    : std::string(16 - std::min<std::size_t>(15, item->Name().size()), ' ').c_str(),
                Show(item->Description()).c_str());
  }
  auto list = f.PackFiles1->ExtractToStream(kModuleListName);
  auto parsed = ParseModuleList(list->Data(), static_cast<std::size_t>(list->Size()));
  std::printf("\nmodules of %s (%zu):\n", std::string(kModuleListName).c_str(), parsed.records.size());
  for (std::size_t i = 0; i < parsed.records.size(); ++i) {
    const TModuleRec& r = parsed.records[i];
    std::string group = ModuleText(r.Group);
    std::printf("  %zu. %s\n     group %s, title %s, action %s", i + 1, Show(ModuleText(r.SourcePath)).c_str(),
                Show(IsBlank(group) ? "General" : group).c_str(), Show(ModuleText(r.Title)).c_str(),
                ActionName(r.Action).c_str());
    if (r.MakeShortcut == 1) std::printf(", shortcut in %s", Show(ModuleText(r.ProgramGroup)).c_str());
    std::printf("\n");
  }
  for (int i = 0; i < items.Count(); ++i)
    if (items.Items(i)->Description().find(kRuntimeMarker) != std::string::npos)
      std::printf("  runtime: %s\n", Show(items.Items(i)->Name()).c_str());
}

void RunTest(const std::string& path) {
  Loaded l = Load(path);
  std::vector<std::string> problems = CheckPayloadForm(*l.form);
  if (l.consumed != l.payload.size())
    problems.push_back(std::to_string(l.payload.size() - l.consumed) +
                       " bytes follow the form's record; the installer ignores them");
  for (const std::string& p : problems) std::fprintf(stderr, "%s: %s\n", path.c_str(), Show(p).c_str());
  if (!problems.empty()) throw Failure{path + ": " + std::to_string(problems.size()) + " problem(s)"};
  int files = l.form->PackFiles1 ? l.form->PackFiles1->Items().Count() : 0;
  std::printf("%s: OK (%d packed files read and expanded)\n", path.c_str(), files);
}

Command list([](CLI::App& app) {
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  auto* cmd = app.add_subcommand("list", "List an installer's options, packed files and modules");
  cmd->add_option("installer", *path, "The installer (SETUP.exe)")->required();
  cmd->add_flag("--json", *json, "Everything the installer holds as one JSON document");
  cmd->callback([path, json] { *json ? PrintListingJson(*path) : RunList(*path); });
});

Command test([](CLI::App& app) {
  auto path = std::make_shared<std::string>();
  auto* cmd = app.add_subcommand("test", "Read an installer's whole payload and check what the wizard relies on");
  cmd->add_option("installer", *path, "The installer (SETUP.exe)")->required();
  cmd->callback([path] { RunTest(*path); });
});

}  // namespace
}  // namespace qs::tool
