// A dry run of an installer: its own start-up and installation run, headless, on the portable
// platform, against COPIES of a described desktop (a registry export and host folders standing in
// for drives) in a temporary folder. Nothing is started, nothing outside the copies is written.
// The wizard is walked page by page through its own handlers, as a user who presses Next, checks
// every module (Select all) and every user would; every message box is answered Yes or OK.
//
// What it did is read back from the copies: files that appeared or changed, registry values before
// and after, the shortcuts' link objects, the programs the launcher was asked to start, the boxes.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qs {

struct PlanOptions {
  std::string registryText;                                    // REGEDIT4; empty: the default desktop's
  std::vector<std::pair<char, std::filesystem::path>> drives;  // copied; none: the default desktop
  std::optional<std::vector<std::string>> users;               // user names (UTF-8); none: every user
  std::optional<std::vector<std::string>> modules;             // tree texts or packed names; none: all
  std::optional<std::string> directory;                        // replaces the default directory (UTF-8)
  std::string programPath;  // where the installer sits (Windows path); empty: C:\Setup\<name>
  std::string installerName = "Setup.exe";
};

// Raised for options that do not fit the installer or the desktop (an unknown user or module, a
// registry file with an error); the message says which.
class PlanError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Texts are UTF-8; Windows paths as the installer used them.
struct PlanReport {
  std::string programPath, destination;
  bool desktopFound = false;
  bool autoFirstUser = false;
  std::vector<std::string> users;    // the users served, in the order they were served
  std::vector<std::string> modules;  // the modules checked, in tree order (tree texts)
  struct QueuedFile {
    std::string user, folder, name;  // folder: the user's install folder
    std::uint64_t size = 0;
  };
  std::vector<QueuedFile> queued;
  struct File {
    std::string path;
    std::uint64_t size = 0;
  };
  std::vector<File> destinationFiles;  // new or changed below the destination directory
  std::vector<File> otherFiles;        // new or changed anywhere else (links and queued files aside)
  struct Value {
    std::string key, name, type, data, before;  // before: empty when the value is new
  };
  std::vector<Value> registry;  // values set or changed
  struct Shortcut {
    std::string link, target, arguments, workingDirectory;
  };
  std::vector<Shortcut> shortcuts;
  struct Program {
    std::string commandLine;
    std::string wait;  // "no", "regular" (window messages flow), "suspend"
  };
  std::vector<Program> programs;
  bool conduit = false;  // the registration tool was started
  std::string conduitCommandLine;
  struct Box {
    std::string text, caption;
    unsigned flags = 0;
    int answer = 0;
  };
  std::vector<Box> boxes;
  bool finished = false;  // reached the Finish page
  std::string stoppedAt;  // when not finished: where and why the walk stopped
};

PlanReport RunPlan(const std::vector<std::uint8_t>& installer, const PlanOptions& options);

// The report as one JSON document ("format_version" 1).
std::string PlanJson(const PlanReport& report);

}  // namespace qs
