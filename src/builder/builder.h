// The installer builder: a product's payload made from the built-in form. The built-in form is
// read onto a fresh TFormTools, the product's texts, options, pictures and packed files are put
// into that model, and the whole form is written back as one component stream. Appended to the
// stub Quillset.exe it makes the product's installer.
//
// Everything here works on bytes in memory; reading a manifest from disk is the command-line
// tool's business. The same description always gives the same bytes.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "wizard/contract.h"
#include "wizard/modulelist.h"

namespace qs {

class TFormTools;
class TStream;

// The stub's exact size: the payload starts at this byte of the installer.
inline constexpr std::size_t kStubSize = static_cast<std::size_t>(PayloadOffset);

// Raised for a description that would not make a sound installer; the message says what and where.
class BuildError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PackedFileDescription {
  std::string name;         // the name it is stored and looked up under (no directory)
  std::string description;  // free text; holding kRuntimeMarker makes a runtime module
  bool compress = true;     // stored as a compressed container
  std::vector<std::uint8_t> bytes;
  std::string origin;  // where it came from, for messages only (not stored)
  // A file read only as the payload is written, a piece at a time, so that a product's files are
  // never held in memory: when set, bytes stays empty, length is the file's length and open gives
  // a stream at its start (raising BuildError when it cannot). Writing raises BuildError when the
  // stream does not hold exactly length bytes.
  std::function<std::unique_ptr<TStream>()> open;
  std::uint64_t length = 0;

  std::uint64_t Size() const { return open ? length : bytes.size(); }
  std::vector<std::uint8_t> Bytes() const;  // the file's bytes, read when it has an open
};

// What a product changes on the built-in form. Texts are single-byte code page 1252 text, line
// breaks as "\r\n". Unset values keep the built-in form's.
struct InstallerDescription {
  std::optional<std::string> caption;                 // the form's caption: window and application title
  std::optional<std::string> directory;               // default destination directory
  std::vector<std::pair<std::string, bool>> options;  // option check box -> checked
  // Captions by component name: page texts, message labels and number labels.
  std::vector<std::pair<std::string, std::string>> captions;
  std::optional<std::vector<std::string>> welcomeLines, licenceLines;
  std::optional<std::vector<std::uint8_t>> bannerJpeg;  // a JPEG file
  std::optional<std::vector<std::uint8_t>> icon;        // a Windows icon file
  // The module list, written as the packed file "ILIST.QSP" (always present, first).
  std::vector<TModuleRec> modules;
  bool compressModuleList = true;
  // Every other packed file, in collection order after the module list.
  std::vector<PackedFileDescription> files;
};

// Checks the description: raises BuildError for what would make a broken installer (unknown
// component or option names, a module whose file is not packed, two packed files that the
// installer cannot tell apart, a conduit option without the conduit's files, texts the
// installer would cut, pictures that are not what they claim to be). Gives warnings for what is
// legal but probably not meant.
std::vector<std::string> CheckInstallerDescription(const InstallerDescription& product);

// The payload: the built-in form with the description applied, as a component stream ("TPF0").
// Checks the description first (CheckInstallerDescription).
std::vector<std::uint8_t> BuildPayload(const InstallerDescription& product);
// The same form, not yet written: packed files with an open are read one at a time as the form is
// written (WriteComponentStream), and never held. The description must outlive the form.
std::unique_ptr<TFormTools> BuildPayloadForm(const InstallerDescription& product);

// The installer: the stub followed by the payload. Raises BuildError when the stub is not
// exactly kStubSize bytes.
std::vector<std::uint8_t> BuildInstaller(const std::vector<std::uint8_t>& stub, const InstallerDescription& product);
void CheckStub(const std::vector<std::uint8_t>& stub);

// ---- reading installers back (for the people who make them) ----------------------------------

// The payload of an installer: everything after the stub. Raises BuildError when the file is too
// short to hold a stub and a payload.
std::vector<std::uint8_t> PayloadOf(const std::vector<std::uint8_t>& installer);
// A fresh wizard form with the payload read onto it, as the installer reads it at start-up (no
// handler runs). Gives in `consumed` how many bytes the form's record took. Raises the reader's
// errors.
std::unique_ptr<TFormTools> ReadPayload(const std::vector<std::uint8_t>& payload, std::size_t* consumed = nullptr);
// What would go wrong when the installer runs on this form: components the wizard works with
// that are missing, a module list it cannot use, modules or conduit files not packed, messages
// too long for their box. Empty when none.
std::vector<std::string> CheckPayloadForm(TFormTools& form);

}  // namespace qs
