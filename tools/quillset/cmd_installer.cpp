// quillset list SETUP.exe [--json]      the packed files, options and modules of an installer
// quillset test SETUP.exe               reads the whole payload, expands every file and checks
//                                       what the wizard relies on; exit status 0 when sound
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "builder/builder.h"
#include "builder/listing.h"
#include "builder/manifest.h"
#include "commands.h"
#include "core/text.h"
#include "hostio.h"
#include "progress.h"
#include "signing.h"
#include "stream/reader.h"
#include "wizard/moduletree.h"
#include "wizard/unitext.h"

namespace qs::tool {
namespace {

struct Loaded {
  std::vector<std::uint8_t> file, payload;
  std::unique_ptr<TFormTools> form;
  std::size_t consumed = 0;
};

// The payload as a stream that shows on the progress line how far the reader has come.
class WatchedStream : public TMemoryStream {
 public:
  WatchedStream(std::vector<std::uint8_t> bytes, Progress& progress)
      : TMemoryStream(std::move(bytes)), progress_(progress) {}
  std::size_t Read(void* buffer, std::size_t count) override {
    std::size_t n = TMemoryStream::Read(buffer, count);
    progress_.Set(0, static_cast<std::uint64_t>(Position()));
    return n;
  }

 private:
  Progress& progress_;
};

// Reads the installer and its payload onto a fresh form. Payload texts are code page 1252.
Loaded Load(const std::string& path, Progress* progress = nullptr) {
  Loaded l;
  try {
    l.file = ReadHostFile(path, "installer");
    l.payload = PayloadOf(l.file);
    if (progress) {
      progress->SetTotals(0, l.payload.size());
      WatchedStream in(l.payload, *progress);
      l.form = std::make_unique<TFormTools>(nullptr);
      ReadComponentStream(in, *l.form);
      l.consumed = static_cast<std::size_t>(in.Position());
      progress->Finish();
    } else {
      l.form = ReadPayload(l.payload, &l.consumed);
    }
  } catch (const BuildError& e) {
    throw Failure{path + ": " + e.what()};
  } catch (const std::exception& e) {
    throw Failure{path + ": the payload cannot be read: " + Cp1252ToUtf8(e.what())};
  }
  return l;
}

std::string Show(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

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
                Show(GroupNodeText(group)).c_str(), Show(ModuleText(r.Title)).c_str(), ActionName(r.Action).c_str());
    if (r.MakeShortcut == 1) std::printf(", shortcut in %s", Show(ModuleText(r.ProgramGroup)).c_str());
    std::printf("\n");
  }
  for (int i = 0; i < items.Count(); ++i)
    if (IsRuntimeModuleDescription(items.Items(i)->Description()))
      std::printf("  runtime: %s\n", Show(items.Items(i)->Name()).c_str());
}

// Bytes after the form's record: the installer never reads them. A signature put there is named.
std::string TrailingBytes(const Loaded& l) {
  std::size_t end = kStubSize + l.consumed, size = l.file.size();
  if (end >= size) return "";
  std::string what = std::to_string(size - end) + " bytes follow the form's record";
  auto table = FindCertificateTable(l.file);
  if (table && table->offset >= end && table->offset + table->size <= size) {
    bool padding =
        table->offset + table->size == size &&
        std::all_of(l.file.begin() + static_cast<std::ptrdiff_t>(end),
                    l.file.begin() + static_cast<std::ptrdiff_t>(table->offset), [](std::uint8_t b) { return b == 0; });
    what += padding ? ": the file's signature (a PE certificate table)"
                    : ", among them the file's signature (a PE certificate table of " + std::to_string(table->size) +
                          " bytes at byte " + std::to_string(table->offset) + ")";
  }
  return what + "; the installer ignores them";
}

struct CheckOptions {
  std::string path, ca;
  bool quiet = false;
};

void RunTest(const CheckOptions& o) {
  const std::string& path = o.path;
  Progress progress("test", 0, 0, o.quiet);
  Loaded l = Load(path, &progress);
  std::vector<std::string> problems = CheckPayloadForm(*l.form), warnings;
  if (std::string trailing = TrailingBytes(l); !trailing.empty()) warnings.push_back(trailing);
  SignatureState signature = CheckSignature(path, l.file, o.ca);
  if (signature.digestMismatch)
    problems.push_back("the signature does not match the file: it was changed after it was signed");
  else if (signature.isSigned && !signature.verifies)
    warnings.push_back("the signature does not verify: " + signature.reason);
  std::printf("%s: signature: %s\n", path.c_str(), Describe(signature).c_str());
  for (const std::string& w : warnings) std::fprintf(stderr, "%s: warning: %s\n", path.c_str(), w.c_str());
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
  auto o = std::make_shared<CheckOptions>();
  auto* cmd = app.add_subcommand("test", "Read an installer's whole payload and check what the wizard relies on");
  cmd->add_option("installer", o->path, "The installer (SETUP.exe)")->required();
  cmd->add_option("--ca", o->ca, "Trusted certificates (PEM) to verify the signature with (default: the system's)");
  cmd->add_flag("-q,--quiet", o->quiet, "Show no progress on the terminal");
  cmd->callback([o] { RunTest(*o); });
});

}  // namespace
}  // namespace qs::tool
