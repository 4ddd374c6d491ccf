// quillset info SETUP.exe          everything an installer holds, for people to read
// quillset list SETUP.exe --json   the same as one JSON document (fields: README, "Looking inside
//                                  an installer")
#include <cstdio>

#include "builder/builder.h"
#include "builder/listing.h"
#include "builder/manifest.h"
#include "commands.h"
#include "core/errors.h"
#include "hostio.h"
#include "signing.h"
#include "terminal.h"

namespace qs::tool {

std::unique_ptr<Listing> LoadListing(const std::string& path, const std::string& caFile) {
  std::vector<std::uint8_t> bytes = ReadHostFile(path, "installer");
  try {
    auto listing = ListInstaller(bytes);
    SignatureState s = CheckSignature(path, bytes, caFile);
    listing->signature = ListedSignature{s.isSigned, s.verifies, s.subject, s.reason};
    return listing;
  } catch (const BuildError& e) {
    throw Failure{path + ": " + e.what()};
  } catch (const Exception& e) {
    throw Failure{path + ": the payload cannot be read: " + Cp1252ToUtf8(e.what())};
  } catch (const std::exception& e) {
    throw Failure{path + ": the payload cannot be read: " + std::string(e.what())};
  }
}

void PrintListingJson(const std::string& path) {
  std::string text = ListingJson(*LoadListing(path, ""));
  std::fwrite(text.data(), 1, text.size(), stdout);
}

namespace {

std::string FileText(const ListedFile* f) {
  if (!f) return "not packed";
  return std::to_string(f->size) + " bytes" + (f->compress ? ", compressed" : "") + ", sha256 " + f->sha256;
}

// A text of several lines, its later lines indented to stand under the first.
std::string Indented(const std::string& text, std::size_t indent) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
    if (text[i] == '\n') out.append(indent, ' ');
  }
  return out;
}

const char* OnOff(const std::optional<bool>& on) { return !on ? "missing" : *on ? "on" : "off"; }

void PrintLines(Report& out, const char* what, const std::optional<std::vector<std::string>>& lines) {
  if (!lines) {
    out("\n%s memo: missing\n", what);
    return;
  }
  out("\n%s memo (%zu lines):\n", what, lines->size());
  for (const std::string& line : *lines) out("  | %s\n", line.c_str());
}

void RunInfo(const std::string& path, const std::string& caFile) {
  auto owned = LoadListing(path, caFile);
  const Listing& l = *owned;
  Report out;
  out("%s: %llu bytes; payload of %llu bytes from byte %zu, the form's record %llu bytes\n", path.c_str(),
      static_cast<unsigned long long>(l.installerSize), static_cast<unsigned long long>(l.payloadSize), kStubSize,
      static_cast<unsigned long long>(l.formSize));
  out("\ncaption    %s\n", l.caption.c_str());
  out("directory  %s\n", l.directory ? l.directory->c_str() : "(no DirectoryEdit1)");
  out("options   ");
  for (const auto& [name, on] : l.options) out(" %s=%s", name.c_str(), OnOff(on));
  out("\n\ntexts:\n");
  for (const auto& [name, text] : l.texts)
    out("  %-20s %s\n", name.c_str(), text ? Indented(*text, 23).c_str() : "(missing)");
  PrintLines(out, "welcome", l.welcome);
  PrintLines(out, "licence", l.licence);

  out("\npictures:\n");
  for (const ListedPicture& p : l.pictures) {
    if (p.format.empty())
      out("  %-8s none\n", p.component.c_str());
    else
      out("  %-8s %s %dx%d, %llu bytes\n", p.component.c_str(), p.format.c_str(), p.width, p.height,
          static_cast<unsigned long long>(p.bytes));
  }

  if (!l.hasPackFiles) {
    out("\nno packed files (the form has no PackFiles1)\n");
  } else {
    out("\nmodules of %s (%zu)%s:\n", std::string(kModuleListName).c_str(), l.modules.size(),
        !l.moduleListPresent    ? ": not packed"
        : !l.moduleListAccepted ? ": its header is refused"
                                : "");
    for (std::size_t i = 0; i < l.modules.size(); ++i) {
      const ListedModule& m = l.modules[i];
      out("  %zu. %s  [%s, %s]\n", i + 1, m.treeText.c_str(), m.handheld ? "handheld" : "PC",
          ActionName(m.action).c_str());
      out("     source    %s\n", m.sourcePath.c_str());
      out("     file      %s: %s\n", m.packedName.c_str(), FileText(m.file).c_str());
      out("     group     %s\n", m.shownGroup.c_str());
      if (m.makeShortcut == 1)
        out("     shortcut  \"%s\" in the program group \"%s\"\n", m.title.c_str(), m.programGroup.c_str());
    }
    if (l.moduleListTrailing)
      out("  (%llu bytes after the last whole record)\n", static_cast<unsigned long long>(l.moduleListTrailing));
    out("\nruntime modules (%zu):", l.runtimeModules.size());
    for (const std::string& name : l.runtimeModules) out(" %s", name.c_str());
    out("\nconduit    %s\n", l.conduit ? "registered after the modules" : "not registered");
    for (const auto& [name, file] : l.conduitFiles) out("  %-12s %s\n", name.c_str(), FileText(file).c_str());

    out("\npacked files (%zu):\n  %10s  %-8s  %-16s  %s\n", l.files.size(), "size", "compress", "name", "description");
    for (const ListedFile& f : l.files)
      out("  %10llu  %-8s  %s%s%s\n", static_cast<unsigned long long>(f.size), f.compress ? "yes" : "no",
          f.name.c_str(),
          f.description.empty() || f.name.size() >= 16 ? "" : std::string(16 - f.name.size(), ' ').c_str(),
          f.description.empty() ? "" : ("  " + f.description).c_str());
  }

  const Trailer& t = l.trailer;
  if (t.size == 0)
    out("\nafter the form: nothing\n");
  else
    out("\nafter the form: %llu bytes from byte %llu, %s (starting %s)\n", static_cast<unsigned long long>(t.size),
        static_cast<unsigned long long>(t.offset), t.kind.c_str(), t.head.c_str());
  if (t.certificate)
    out("certificate table (PE security directory): %llu bytes from byte %llu, revision 0x%04x, type %u\n",
        static_cast<unsigned long long>(t.certificate->size), static_cast<unsigned long long>(t.certificate->offset),
        t.certificate->revision, t.certificate->type);
  if (l.signature) {
    const ListedSignature& g = *l.signature;
    out("\nsignature  %s\n", Describe(SignatureState{g.isSigned, g.verifies, false, g.subject, g.reason}).c_str());
  }
}

Command info([](CLI::App& app) {
  auto path = std::make_shared<std::string>(), ca = std::make_shared<std::string>();
  auto* cmd =
      app.add_subcommand("info", "Show everything an installer holds: texts, options, modules, files, signature");
  cmd->add_option("installer", *path, "The installer (SETUP.exe)")->required();
  cmd->add_option("--ca", *ca, "Trusted certificates (PEM) to verify the signature with (default: the system's)");
  cmd->callback([path, ca] { RunInfo(*path, *ca); });
});

}  // namespace
}  // namespace qs::tool
