// quillset users: the Palm Desktop and its users as the installer would find them, from a
// registry export (REGEDIT4) and host folders standing in for drives.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/hostfile.h"
#include "commands.h"
#include "core/cp1252.h"
#include "core/errors.h"
#include "core/streams.h"
#include "palm/autoinst.h"
#include "platform/portable/host.h"
#include "platform/portable/regedit4.h"

namespace qs::tool {
namespace {

// Texts are code page 1252 bytes; the terminal gets UTF-8, with control characters shown as
// "\xNN" (they are the same bytes in both).
std::string Printable(std::string_view s) {
  std::string escaped;
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      escaped += hex;
    } else {
      escaped += ch;
    }
  }
  return Cp1252ToUtf8(escaped);
}

std::string Pad(const std::string& s, std::size_t width) {
  // Width in characters: UTF-8 continuation bytes take no column.
  std::size_t cols = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++cols;
  return cols >= width ? s : s + std::string(width - cols, ' ');
}

struct Options {
  std::string registry;
  std::vector<std::string> drives;
};

void Run(const Options& o) {
  PortableHost host;
  host.boxes.SetDefaultAnswer(kIdOk);

  auto bytes = ReadWholeFile(o.registry);
  if (!bytes) throw Failure{"cannot read " + o.registry};
  std::string text(bytes->begin(), bytes->end());
  RegLoadResult loaded = LoadRegedit4(host.registry, text);
  if (!loaded.ok) throw Failure{o.registry + ":" + std::to_string(loaded.line) + ": " + loaded.error};
  for (const std::string& s : loaded.skipped)
    std::fprintf(stderr, "quillset: %s: skipped, only HKEY_CURRENT_USER is read: %s\n", o.registry.c_str(), s.c_str());

  bool first = true;
  for (const std::string& d : o.drives) {
    char letter = d.empty() ? 0 : d[0];
    bool isLetter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (d.size() < 3 || !isLetter || d[1] != '=') throw Failure{"--drive wants LETTER=FOLDER, not " + d};
    std::filesystem::path folder = d.substr(2);
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
      throw Failure{"no folder " + folder.string() + " for drive " + letter};
    host.files.MapDrive(letter, folder);
    if (first) host.files.SetCurrentDrive(letter);
    first = false;
  }

  TUserData users(host.platform);
  if (users.DesktopMissing()) {
    std::printf("Palm Desktop: not found (neither HKEY_CURRENT_USER\\%s nor HKEY_CURRENT_USER\\%s opens)\n",
                std::string(kUsRoboticsKey).c_str(), std::string(kPalmComputingKey).c_str());
    return;
  }
  std::printf("Palm Desktop: HKEY_CURRENT_USER\\%s\n", std::string(users.VendorKey()).c_str());
  const std::string path = users.DesktopPath();
  if (path.empty()) {
    std::printf("Path:         (none: no \"%s\" value \"%s\" that fits 256 bytes)\n",
                std::string(kDesktopCoreKey).c_str(), std::string(kDesktopPathValue).c_str());
    return;
  }
  std::printf("Path:         %s\n", Printable(path).c_str());
  const std::string file = path + "\\" + std::string(kUsersFileName);
  auto host_path = host.files.HostPath(file);
  std::printf("Users file:   %s%s\n", Printable(file).c_str(),
              host_path ? (" (" + host_path->string() + ")").c_str() : " (on no mapped drive)");

  // The same file once more, for what the list alone does not tell.
  try {
    TFileStream s(host.files, file, FileMode::OpenRead, ShareMode::DenyNone);
    UsersFile f = ReadUsersFile(s);
    std::printf("Users:        %d listed, %d declared\n", users.UserCount(), f.declaredCount);
    if (f.truncated) std::printf("Note:         the file ends before all declared users were read\n");
    if (f.nameCut) std::printf("Note:         %d name(s) longer than 31 characters, cut\n", f.nameCut);
    if (f.folderTooLong)
      std::printf("Note:         %d user(s) left out: folder name longer than 31 characters\n", f.folderTooLong);
  } catch (const Exception&) {
    std::printf("Users:        none (the users file cannot be opened)\n");
    return;
  }
  if (users.UserCount() == 0) return;
  std::printf("\n  %s%s%s%s\n", Pad("#", 4).c_str(), Pad("Number", 8).c_str(), Pad("Name", 33).c_str(), "Folder");
  for (int i = 0; i < users.UserCount(); ++i) {
    std::string folder = Printable(users.UserFolder(i));
    if (!IsPlainFolderName(users.UserFolder(i))) folder += "  (not a plain folder name: nothing is queued for it)";
    std::printf("  %s%s%s%s\n", Pad(std::to_string(i), 4).c_str(), Pad(std::to_string(users.UserNumber(i)), 8).c_str(),
                Pad(Printable(users.UserName(i)), 33).c_str(), folder.c_str());
  }
}

Command users([](CLI::App& app) {
  auto opts = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("users", "list the Palm Desktop and its users as the installer finds them");
  cmd->add_option("--registry", opts->registry, "HKEY_CURRENT_USER as a REGEDIT4 export (.reg)")->required();
  cmd->add_option("--drive", opts->drives, "a drive as a host folder, LETTER=FOLDER (repeatable; the first is current)")
      ->required();
  cmd->callback([opts] { Run(*opts); });
});

}  // namespace
}  // namespace qs::tool
