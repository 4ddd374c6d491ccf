// Unbuilding an installer: from its payload, a folder with a manifest (quillset.toml) and the
// files it names - the packed files, the banner, the icon and the memo texts - from which the
// builder makes the payload again. For an installer the builder made, the rebuild is the same
// bytes. For one from another builder it reads onto the same form: whatever the manifest cannot
// say goes into form overrides (form.txt, see formtree.h), and a warning names each such thing.
//
// What may still differ: tag widths, identifier case, set order, collection order values, the
// compressed containers of packed files (another builder's compressor; the expanded bytes are the
// same) and bytes after the form's record (a warning says how many).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qs {

struct UnbuildReport {
  std::vector<std::string> files;     // written, relative to the folder, quillset.toml first
  std::vector<std::string> warnings;  // code page 1252 texts, as the payload holds them
  bool identical = false;             // the rebuilt payload is the same bytes
  bool sameForm = false;              // the rebuilt payload reads onto the same form
};

// Writes the folder's files (the folder is created when missing; files in it are replaced).
// Everything is written below `dir`: packed files under "files/" by their stored names when those
// are plain file names, else as "files/fileN". Raises BuildError for a payload the installer
// cannot read or a folder that cannot be written.
UnbuildReport Unbuild(const std::vector<std::uint8_t>& payload, const std::string& dir);

}  // namespace qs
