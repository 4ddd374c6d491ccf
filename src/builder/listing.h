// What an installer holds, read as the installer reads it, for people who want to see inside:
// the form's options, texts and pictures, the modules of the module list with the packed files
// they name, the runtime modules and conduit files, every packed file, and the bytes that follow
// the form's record. Texts are UTF-8 here (the payload stores code page 1252).
//
// ListingJson gives one JSON document whose fields the README documents; the same installer always
// gives the same document. Raising: BuildError (no payload) and the stream reader's errors.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qs {

// The JSON document's layout version; raise it when a field changes meaning or goes.
inline constexpr int kListingFormatVersion = 1;

struct ListedFile {
  std::string name, description;
  bool compress = false;
  std::uint64_t size = 0;  // expanded
  std::string sha256;      // of the expanded bytes
  bool runtime = false;    // its description holds the runtime marker
};

struct ListedModule {
  std::string sourcePath, packedName, title, group, shownGroup, programGroup, treeText;
  std::int32_t action = 0, makeShortcut = 0;
  bool handheld = false;
  const ListedFile* file = nullptr;  // the packed file the installer finds, if any
};

struct ListedPicture {
  std::string component;  // Image1: the banner, Image2: the icon
  std::string format;     // the graphic's class, empty when the picture holds none
  int width = 0, height = 0;
  std::uint64_t bytes = 0;  // of the stored picture file
};

// The bytes after the form's record, which the installer never reads.
struct Trailer {
  std::uint64_t offset = 0, size = 0;  // in the installer file
  std::string kind;                    // "none", "zeros", "pe-certificate-table", "component-stream", "unknown"
  std::string head;                    // the first bytes, in hexadecimal (at most 16)
  // The certificate table that the program's PE header names (its security directory), when it
  // lies in the installer file.
  struct Certificate {
    std::uint64_t offset = 0, size = 0;
    std::uint32_t length = 0;  // of the first entry (WIN_CERTIFICATE)
    std::uint16_t revision = 0, type = 0;
  };
  std::optional<Certificate> certificate;
};

// The installer's Authenticode signature as the tool checked it (the builder does not check it).
struct ListedSignature {
  bool isSigned = false, verifies = false;
  std::string subject, reason;
};

struct Listing {
  std::uint64_t installerSize = 0, payloadSize = 0, formSize = 0;
  std::string caption;
  std::optional<std::string> directory;
  std::vector<std::pair<std::string, std::optional<bool>>> options;  // missing check box: nullopt
  std::vector<std::pair<std::string, std::optional<std::string>>> texts;
  std::optional<std::vector<std::string>> welcome, licence;
  bool moduleListPresent = false, moduleListAccepted = false;
  std::uint64_t moduleListTrailing = 0;
  std::vector<ListedModule> modules;
  std::vector<std::string> runtimeModules;
  bool conduit = false;
  std::vector<std::pair<std::string, const ListedFile*>> conduitFiles;  // the two names; nullptr: not packed
  std::vector<ListedPicture> pictures;
  std::vector<ListedFile> files;  // in collection order
  bool hasPackFiles = false;
  Trailer trailer;
  std::optional<ListedSignature> signature;  // not reported: nullopt

  Listing() = default;
  Listing(const Listing&) = delete;  // modules point into files
  Listing& operator=(const Listing&) = delete;
};

// The listing of a whole installer (stub and payload).
std::unique_ptr<Listing> ListInstaller(const std::vector<std::uint8_t>& installer);

// What the bytes after the form's record look like; formEnd is where the record ends in the file.
Trailer DescribeTrailer(const std::vector<std::uint8_t>& installer, std::uint64_t formEnd);

// The text names of an action value ("install", "run", "run-wait", "queue-and-copy"), or the
// number for any other value.
std::string ActionName(std::int32_t action);

// The listing as one JSON document (ending in a line break).
std::string ListingJson(const Listing& listing);

}  // namespace qs
