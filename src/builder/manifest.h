// The installer manifest: a small TOML file that describes a product's installer - its texts,
// options, pictures, modules and packed files - for the builder. Paths in it are relative to the
// manifest's own folder. Texts are UTF-8 in the manifest and in the text files it names, and are
// stored as code page 1252; a character outside that code page is refused.
//
//   caption = "..."            directory = "C:\\..."      compress = true    stub = "Quillset.exe"
//   module_list = "ILIST.QSP"  the module list file as it stands, instead of [[module]] entries
//   form_overrides = "form.txt"  changes to the form that the keys here cannot say: a text-form
//                              fragment (builder/formtree.h), applied last; quillset unbuild writes it
//   [options]   Copyright, Welcome, AutoInstallFirstUser, CKInstallDoviConduit, CKDisplaySelectDirectory
//   [pictures]  banner = "x.jpg", icon = "x.ico"
//   [memos]     welcome, licence = "file.txt" or ["line", ...]
//   [texts]     Label1 ... Label13, GroupBox1, BPrev, BNext, BCancel, Button1 ... Button4 = "caption"
//   [messages]  idErrorDirectory ... idDesktop = "text"
//   [numbers]   MaxStdFile, MaxStdFileInArchive, MaxStdFile2 = 5 or "5"
//   [[module]]  file, title, group, program_group, shortcut, action, compress, name, source_path
//               (without file, source_path names a file that a [[file]] entry packs)
//   [[file]]    file, name, description, runtime, compress
//   [conduit]   library, tool, compress
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "builder/builder.h"
#include "core/cp1252.h"

namespace qs {

class TStream;

struct Manifest {
  InstallerDescription product;
  std::optional<std::string> stubPath;  // the stub named by the manifest, resolved against its folder
  std::string stubWhere;                // "manifest:line" of the stub key, for messages
  std::vector<std::string> warnings;
  std::optional<std::vector<std::uint8_t>> moduleList;  // module_list: packed as it stands
  std::string formOverrides;                            // form_overrides: the fragment's text
};

// Reads the manifest at a host path and every file it names. Raises BuildError with the
// manifest's name and line for anything wrong.
Manifest LoadManifest(const std::string& path);
// The same from text in memory; baseDir is the folder relative paths start from, sourceName
// names the manifest in messages.
Manifest ParseManifest(std::string_view text, const std::string& baseDir, const std::string& sourceName);

// The payload the manifest describes: BuildPayload, then its module list file and its form
// overrides. Raises BuildError.
std::vector<std::uint8_t> BuildManifestPayload(const Manifest& manifest);
// The same payload written at the stream's position, the packed files read and written one at a
// time (with form overrides, the payload is made in memory first).
void WriteManifestPayload(const Manifest& manifest, TStream& out);

// UTF-8 to code page 1252 (core/cp1252.h). Raises BuildError (naming `what`) for malformed UTF-8
// and for characters that code page 1252 does not have.
std::string Utf8ToCp1252(std::string_view utf8, std::string_view what);
// A caption's text: line breaks become "\r\n".
std::string WindowsLineBreaks(std::string_view text);

}  // namespace qs
