#include "builder/plan.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>

#include "builder/builder.h"
#include "builder/hostfile.h"
#include "builder/json.h"
#include "builder/manifest.h"
#include "builder/sha256.h"
#include "core/text.h"
#include "palm/autoinst.h"
#include "platform/portable/files.h"
#include "platform/portable/host.h"
#include "platform/portable/processes_portable.h"
#include "platform/portable/regedit4.h"
#include "platform/portable/shelllinks_portable.h"
#include "ui/headless/headless.h"
#include "wizard/builtinform.h"
#include "wizard/selfext.h"
#include "wizard/startup.h"
#include "wizard/unitext.h"
#include "wizard/usernode.h"

namespace qs {

namespace fs = std::filesystem;

namespace {

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

// A temporary folder of the run, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      fs::path p = fs::temp_directory_path() / ("quillset-plan-" + std::to_string(rd()));
      std::error_code ec;
      if (fs::create_directory(p, ec)) path_ = p;
    }
    if (path_.empty()) throw PlanError("cannot make a temporary folder");
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// Copies folders and regular files only: a symbolic link in the copy could lead the installer's
// writes out of it.
void CopyTree(const fs::path& from, const fs::path& to) {
  fs::create_directories(to);
  for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
    const fs::path target = to / fs::relative(it->path(), from);
    if (it->is_symlink()) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    if (it->is_directory())
      fs::create_directories(target);
    else if (it->is_regular_file())
      fs::copy_file(it->path(), target, fs::copy_options::overwrite_existing);
  }
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw PlanError("cannot write " + path.string());
}

// The default desktop: the Palm Desktop in C:\Palm with one user, and a Start menu.
constexpr std::string_view kDefaultRegistry =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n"
    "\"Path\"=\"C:\\\\Palm\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
    "\"Programs\"=\"C:\\\\Windows\\\\Start Menu\\\\Programs\"\r\n";

void MakeDefaultDrive(const fs::path& c) {
  // users.dat: the user count, 12 header bytes, then number (2 bytes), 2 bytes, counted name,
  // counted folder and one more byte.
  const std::string usersDat = std::string("\x01", 1) + std::string(12, '\0') + std::string("\x01\0\0\0", 4) +
                               "\x04User" + "\x04User" + std::string(1, '\0');
  WriteFile(c / "Palm" / "users.dat", usersDat);
  fs::create_directories(c / "Palm" / "User");
  fs::create_directories(c / "Windows" / "Start Menu" / "Programs");
}

// Every file below the drives' folders: Windows path (code page 1252) -> size and digest.
struct FileState {
  std::uint64_t size;
  std::string sha256;
};
std::map<std::string, FileState> Snapshot(const std::vector<std::pair<char, fs::path>>& drives) {
  std::map<std::string, FileState> files;
  for (const auto& [letter, root] : drives) {
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
      if (!it->is_regular_file() || it->is_symlink()) continue;
      std::string path = std::string(1, letter) + ":";
      for (const fs::path& part : fs::relative(it->path(), root)) path += "\\" + part.string();
      auto bytes = ReadWholeFile(it->path().string()).value_or(std::vector<std::uint8_t>{});
      files[path] = {bytes.size(), Sha256Hex(bytes.data(), bytes.size())};
    }
  }
  return files;
}

// Every registry value: (upper-cased key, upper-cased name) -> key, value.
std::map<std::pair<std::string, std::string>, std::pair<std::string, RegValue>> RegistryValues(
    const PortableRegistry& reg) {
  std::map<std::pair<std::string, std::string>, std::pair<std::string, RegValue>> out;
  std::vector<std::string> keys = reg.SubkeyNames("");
  for (std::size_t i = 0; i < keys.size(); ++i) {
    for (const std::string& sub : reg.SubkeyNames(keys[i])) keys.push_back(keys[i] + "\\" + sub);
    for (const RegValue& v : reg.Values(keys[i])) out[{UpperAZ(keys[i]), UpperAZ(v.name)}] = {keys[i], v};
  }
  return out;
}

std::string TypeName(std::uint32_t type) {
  switch (type) {
    case 1:
      return "REG_SZ";
    case 2:
      return "REG_EXPAND_SZ";
    case 3:
      return "REG_BINARY";
    case 4:
      return "REG_DWORD";
    case 7:
      return "REG_MULTI_SZ";
    default:
      return "type " + std::to_string(type);
  }
}

std::string ValueText(const RegValue& v) {
  if ((v.type == 1 || v.type == 2) && !v.data.empty()) {
    std::string s(v.data.begin(), v.data.end());
    return Utf8(s.substr(0, s.find('\0')));
  }
  if (v.type == 4 && v.data.size() == 4)
    return std::to_string(std::uint32_t(v.data[0]) | std::uint32_t(v.data[1]) << 8 | std::uint32_t(v.data[2]) << 16 |
                          std::uint32_t(v.data[3]) << 24);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t b : v.data) hex += {kHex[b >> 4], kHex[b & 15]};
  return hex;
}

// Link objects that record what they were set to and where they were saved. As the shell does, a
// save succeeds only into a folder that exists (in the copies); it writes nothing.
struct LinkRecord {
  std::string path, arguments, workingDirectory, savedAs;
};
class RecordingLinks : public IShellLinks {
 public:
  explicit RecordingLinks(IFileSystem& files) : files_(files) {}
  std::vector<LinkRecord> saved;
  std::unique_ptr<ILinkObject> CreateLink() override {
    return std::make_unique<Link>(inner_.CreateLink(), saved, files_);
  }

 private:
  class Link : public ILinkObject {
   public:
    Link(std::unique_ptr<ILinkObject> inner, std::vector<LinkRecord>& saved, IFileSystem& files)
        : inner_(std::move(inner)), saved_(saved), files_(files) {}
    HResult SetArguments(const std::string& a) override { return rec_.arguments = a, inner_->SetArguments(a); }
    HResult SetPath(const std::string& p) override { return rec_.path = p, inner_->SetPath(p); }
    HResult SetWorkingDirectory(const std::string& d) override {
      return rec_.workingDirectory = d, inner_->SetWorkingDirectory(d);
    }
    HResult Save(const std::string& path, bool remember) override {
      const std::size_t cut = path.find_last_of("\\:");
      if (cut == std::string::npos || !files_.DirectoryExists(path.substr(0, cut + 1))) return kEFail;
      HResult hr = inner_->Save(path, remember);
      if (hr == kSOk) {
        rec_.savedAs = path;
        saved_.push_back(rec_);
      }
      return hr;
    }

   private:
    std::unique_ptr<ILinkObject> inner_;
    std::vector<LinkRecord>& saved_;
    IFileSystem& files_;
    LinkRecord rec_;
  };
  IFileSystem& files_;
  RecordingShellLinks inner_;
};

// The recording launcher, noting how the run waited for each program it started.
class PlanProcesses : public RecordingProcesses {
 public:
  std::map<Handle, std::string> waitStyle;
  std::vector<Handle> started;
  bool StartProcess(const std::string& commandLine, std::uint32_t flags, const StartupRecord& startup,
                    ProcessRecord& process) override {
    bool ok = RecordingProcesses::StartProcess(commandLine, flags, startup, process);
    started.push_back(ok ? process.process : 0);
    return ok;
  }
  // A regular wait looks whether the program has ended (no timeout), then sleeps until a message
  // comes or the program ends; a suspended wait blocks until it ends.
  std::uint32_t WaitForProcess(Handle process, std::uint32_t timeoutMs) override {
    if (timeoutMs == 0)
      waitStyle.emplace(process, "regular");
    else
      waitStyle[process] = "suspend";
    return RecordingProcesses::WaitForProcess(process, timeoutMs);
  }
  std::uint32_t WaitForProcessOrMessage(Handle process) override {
    waitStyle[process] = "regular";
    return RecordingProcesses::WaitForProcessOrMessage(process);
  }
};

// A headless backend whose message boxes, the wizard's and the platform's alike, are recorded and
// answered as a user who agrees would answer them: Yes, or OK.
class PlanBackend : public THeadlessBackend {
 public:
  std::vector<PlanReport::Box> boxes;
  int errors = 0;  // standard error boxes (no owner, stop icon)
  int MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) override {
    if (!owner && (flags & 0xF0) == kMbIconError) ++errors;
    return Record(text, caption, flags);
  }
  int Show(std::uintptr_t, const std::string& text, const std::string& caption, unsigned flags) override {
    return Record(text, caption, flags);
  }

 private:
  int Record(const std::string& text, const std::string& caption, unsigned flags) {
    constexpr int kIdCancel = 2, kIdIgnore = 5;
    int answer = kIdOk;
    switch (flags & 0xF) {
      case 2:  // abort, retry, ignore
        answer = kIdIgnore;
        break;
      case 3:  // yes, no, cancel
      case 4:  // yes, no
        answer = kIdYes;
        break;
      case 5:  // retry, cancel
        answer = kIdCancel;
        break;
    }
    boxes.push_back({Utf8(text), Utf8(caption), flags, answer});
    return answer;
  }
};

// Normalised Windows path, upper-cased, for comparisons; empty when the path is refused.
std::string Key(std::string_view path, char currentDrive) {
  auto p = ParseWindowsPath(path, currentDrive);
  return p ? UpperAZ(p->Text()) : std::string();
}
bool Below(const std::string& pathKey, const std::string& dirKey) {
  if (dirKey.empty()) return false;
  std::string d = dirKey.back() == '\\' ? dirKey : dirKey + "\\";
  return pathKey.size() > d.size() && pathKey.compare(0, d.size(), d) == 0;
}

// Whether a name given on the command line (UTF-8) names this text (code page 1252).
bool Names(const std::string& given, std::string_view text) {
  try {
    return SameTextAZ(Utf8ToCp1252(given, "a name"), text);
  } catch (const std::exception&) {
    return false;
  }
}

// Checks the nodes (carrying a Rec) whose names match, unchecks the others; raises PlanError for
// a wanted name that matched none.
template <class Rec, class NamesOf>
void Narrow(TTreeNT& tree, const std::vector<std::string>& wanted, NamesOf namesOf, const char* what) {
  std::vector<bool> used(wanted.size());
  std::vector<std::string> known;
  for (int i = 0; i < tree.Count(); ++i) {
    TTreeNode* node = tree.Item(i);
    const Rec* rec = node->template DataAs<Rec>();
    if (!rec) continue;
    std::vector<std::string> names = namesOf(*node, *rec);
    known.push_back("'" + Utf8(names.front()) + "'");
    bool on = false;
    for (std::size_t w = 0; w < wanted.size(); ++w)
      for (const std::string& n : names)
        if (Names(wanted[w], n)) on = used[w] = true;
    node->SetCheckState(on ? csChecked : csUnchecked);
  }
  for (std::size_t w = 0; w < wanted.size(); ++w) {
    if (used[w]) continue;
    std::string list;
    for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
    throw PlanError("the installer offers no " + std::string(what) + " '" + wanted[w] + "' (it offers " +
                    (list.empty() ? std::string("none") : list) + ")");
  }
}

template <class Rec>
std::vector<std::string> CheckedTexts(const TTreeNT& tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree.Count(); ++i) {
    const TTreeNode* node = tree.Item(i);
    for (int c = 0; c < node->Count(); ++c)
      if (node->Item(c)->CheckState() == csChecked && node->Item(c)->DataAs<Rec>())
        out.push_back(Utf8(node->Item(c)->Text()));
  }
  return out;
}

enum { pgSelectModule = 3, pgSelectUser = 4, pgFinish = 6 };

}  // namespace

PlanReport RunPlan(const std::vector<std::uint8_t>& installer, const PlanOptions& o) {
  PlanReport report;
  TempFolder temp;

  // The desktop: copies of the given folders, or the default one.
  std::vector<std::pair<char, fs::path>> drives;
  for (const auto& [letter, folder] : o.drives) {
    char up = static_cast<char>(letter & ~0x20);
    for (const auto& d : drives)
      if (d.first == up) throw PlanError(std::string("drive ") + up + " is given twice");
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw PlanError("no folder " + folder.string() + " for drive " + up);
    drives.emplace_back(up, temp.Path() / std::string(1, up));
    CopyTree(folder, drives.back().second);
  }
  const bool defaultDesktop = drives.empty() && o.registryText.empty();
  if (drives.empty()) {
    drives.emplace_back('C', temp.Path() / "C");
    if (defaultDesktop)
      MakeDefaultDrive(drives.back().second);
    else
      fs::create_directories(drives.back().second);
  }

  PortableHost host;
  for (const auto& [letter, root] : drives) host.files.MapDrive(letter, root);
  host.files.SetCurrentDrive(drives.front().first);
  const char current = drives.front().first;
  RegLoadResult loaded = LoadRegedit4(host.registry, defaultDesktop ? kDefaultRegistry : o.registryText);
  if (!loaded.ok) throw PlanError("registry, line " + std::to_string(loaded.line) + ": " + loaded.error);

  // The installer on the first drive.
  std::string programPath =
      o.programPath.empty() ? std::string(1, current) + ":\\Setup\\" + o.installerName : o.programPath;
  try {
    programPath = Utf8ToCp1252(programPath, "the program path");
  } catch (const std::exception& e) {
    throw PlanError(e.what());
  }
  auto hostProgram = host.files.HostPath(programPath);
  if (!hostProgram || FileNamePart(programPath).empty())
    throw PlanError("the program path '" + Utf8(programPath) + "' is not on a drive of the desktop");
  WriteFile(*hostProgram, std::string_view(reinterpret_cast<const char*>(installer.data()), installer.size()));
  host.platform.programPath = programPath;
  report.programPath = Utf8(programPath);

  PlanProcesses processes;
  RecordingLinks links(host.files);
  PlanBackend backend;
  host.platform.processes = &processes;
  host.platform.shellLinks = &links;
  host.platform.boxes = &backend;
  // Nobody posts a quit request here; should one come while the run waits, the tool goes on.
  host.platform.halt = [](std::uint32_t) {};

  const auto filesBefore = Snapshot(drives);
  const auto registryBefore = RegistryValues(host.registry);

  std::string destination;
  std::vector<int> servedPositions;
  {
    SelfExtProgram program(backend, host.platform, [](std::string_view name) {
      auto s = BuiltInFormTools();
      return name == "TFORMTOOLS" ? std::vector<std::uint8_t>(s.begin(), s.end()) : std::vector<std::uint8_t>{};
    });
    TFormTools* form = program.CreateWizard();
    if (form) backend.ShowForm(*form);
    auto complete = [&] {
      return form && form->Notebook1 && form->BNext && form->Tree1 && form->CkUserList && form->DirectoryEdit1 &&
             form->AutoInstallFirstUser;
    };
    if (!form || backend.errors > 0 || !complete()) {
      report.stoppedAt = "start-up ended with an error";
      if (!backend.boxes.empty()) report.stoppedAt += ": " + backend.boxes.back().text;
    } else {
      if (o.directory) {
        try {
          form->DirectoryEdit1->SetText(Utf8ToCp1252(*o.directory, "the directory"));
        } catch (const std::exception& e) {
          throw PlanError(e.what());
        }
      }
      bool modulesChosen = false, usersChosen = false;
      for (int step = 0; step < 16; ++step) {
        const int page = form->Notebook1->PageIndex();
        if (page == pgFinish) {
          report.finished = true;
          break;
        }
        if (page == pgSelectModule && !modulesChosen) {
          form->Button1Click(nullptr);  // Select all
          if (o.modules)
            Narrow<TModuleRec>(
                *form->Tree1, *o.modules,
                [](const TTreeNode& n, const TModuleRec& r) {
                  return std::vector<std::string>{n.Text(), FileNamePart(ModuleText(r.SourcePath))};
                },
                "module");
          report.modules = CheckedTexts<TModuleRec>(*form->Tree1);
          modulesChosen = true;
        }
        if (page == pgSelectUser && !usersChosen) {
          form->Button1Click(nullptr);  // Select all, on the user page
          if (o.users)
            Narrow<TUserNodeRec>(
                *form->CkUserList, *o.users,
                [](const TTreeNode&, const TUserNodeRec& r) { return std::vector<std::string>{UserNodeName(r)}; },
                "user");
          report.users = CheckedTexts<TUserNodeRec>(*form->CkUserList);
          usersChosen = true;
        }
        // Before the run: what the run reads.
        destination = WithTrailingSeparator(form->DirectoryEdit1->Text());
        report.autoFirstUser = form->AutoInstallFirstUser->Checked();
        const int errorsBefore = backend.errors;
        backend.Post([form] { form->BNext->Click(); });
        program.App().ProcessMessages();
        if (backend.errors > errorsBefore) {
          report.stoppedAt =
              "the installer showed an error after Next on page " + std::to_string(page) + " (see the message boxes)";
          break;
        }
        if (form->Notebook1->PageIndex() == page) {
          report.stoppedAt = "Next does not leave page " + std::to_string(page) + " (see the message boxes)";
          break;
        }
      }
      if (!report.finished && report.stoppedAt.empty()) report.stoppedAt = "the wizard did not reach Finish";
      if (report.modules.empty() && !modulesChosen) report.modules = CheckedTexts<TModuleRec>(*form->Tree1);
    }
  }
  report.destination = Utf8(destination);
  if (IsBuiltInProgramName(programPath))
    report.stoppedAt += std::string(report.stoppedAt.empty() ? "" : "; ") +
                        "the program's name holds QUILLSET, so the installer ran on its built-in form";

  // What the run left: users and their install folders as the installer finds them.
  TUserData desktop(host.platform);
  report.desktopFound = !desktop.DesktopMissing();
  if (report.autoFirstUser && desktop.UserCount() > 0) report.users = {Utf8(desktop.UserName(0))};
  std::vector<std::pair<std::string, std::string>> installFolders;  // key, user name
  for (int i = 0; i < desktop.UserCount(); ++i)
    installFolders.emplace_back(
        Key(desktop.DesktopPath() + "\\" + desktop.UserFolder(i) + "\\" + std::string(kInstallFolderName), current),
        Utf8(desktop.UserName(i)));

  std::set<std::string> linkKeys;
  for (const LinkRecord& l : links.saved) {
    linkKeys.insert(Key(l.savedAs, current));
    report.shortcuts.push_back({Utf8(l.savedAs), Utf8(l.path), Utf8(l.arguments), Utf8(l.workingDirectory)});
  }
  const std::string destinationKey = Key(destination, current);
  for (const auto& [path, state] : Snapshot(drives)) {
    auto before = filesBefore.find(path);
    if (before != filesBefore.end() && before->second.sha256 == state.sha256) continue;
    const std::string key = Key(path, current);
    if (linkKeys.count(key)) continue;
    bool queued = false;
    for (const auto& [folderKey, user] : installFolders)
      if (Below(key, folderKey)) {
        report.queued.push_back({user, Utf8(DirectoryPart(path).substr(0, DirectoryPart(path).size() - 1)),
                                 Utf8(FileNamePart(path)), state.size});
        queued = true;
        break;
      }
    if (queued) continue;
    (Below(key, destinationKey) ? report.destinationFiles : report.otherFiles).push_back({Utf8(path), state.size});
  }
  std::stable_sort(report.queued.begin(), report.queued.end(),
                   [](const auto& a, const auto& b) { return std::tie(a.user, a.name) < std::tie(b.user, b.name); });

  const auto registryAfter = RegistryValues(host.registry);
  for (const auto& [id, kv] : registryAfter) {
    const auto& [key, value] = kv;
    auto before = registryBefore.find(id);
    if (before != registryBefore.end() && before->second.second.type == value.type &&
        before->second.second.data == value.data)
      continue;
    report.registry.push_back({"HKEY_CURRENT_USER\\" + Utf8(key), Utf8(value.name), TypeName(value.type),
                               ValueText(value),
                               before == registryBefore.end() ? std::string() : ValueText(before->second.second)});
  }

  const std::string conduitTool = UpperAZ(DirectoryPart(programPath) + std::string(kConduitToolName));
  for (std::size_t i = 0; i < processes.starts.size(); ++i) {
    const auto& start = processes.starts[i];
    Handle h = i < processes.started.size() ? processes.started[i] : 0;
    auto style = processes.waitStyle.find(h);
    std::string wait = style == processes.waitStyle.end() ? "no" : style->second;
    std::string upper = UpperAZ(start.commandLine);
    if (upper.rfind(conduitTool, 0) == 0 || upper.rfind("\"" + conduitTool, 0) == 0) {
      report.conduit = true;
      report.conduitCommandLine = Utf8(start.commandLine);
      continue;
    }
    report.programs.push_back({Utf8(start.commandLine), wait});
  }
  report.boxes = backend.boxes;
  return report;
}

std::string PlanJson(const PlanReport& r) {
  JsonWriter j;
  j.BeginObject();
  j.Key("format_version").Int(1);
  j.Key("program_path").String(r.programPath);
  j.Key("desktop_found").Bool(r.desktopFound);
  j.Key("destination").String(r.destination);
  j.Key("auto_first_user").Bool(r.autoFirstUser);
  j.Key("users").BeginArray();
  for (const auto& u : r.users) j.String(u);
  j.EndArray();
  j.Key("modules").BeginArray();
  for (const auto& m : r.modules) j.String(m);
  j.EndArray();
  j.Key("queued").BeginArray();
  for (const auto& q : r.queued) {
    j.BeginObject();
    j.Key("user").String(q.user);
    j.Key("folder").String(q.folder);
    j.Key("name").String(q.name);
    j.Key("size").Int(static_cast<std::int64_t>(q.size));
    j.EndObject();
  }
  j.EndArray();
  auto files = [&](const char* key, const std::vector<PlanReport::File>& list) {
    j.Key(key).BeginArray();
    for (const auto& f : list) {
      j.BeginObject();
      j.Key("path").String(f.path);
      j.Key("size").Int(static_cast<std::int64_t>(f.size));
      j.EndObject();
    }
    j.EndArray();
  };
  files("destination_files", r.destinationFiles);
  files("other_files", r.otherFiles);
  j.Key("registry").BeginArray();
  for (const auto& v : r.registry) {
    j.BeginObject();
    j.Key("key").String(v.key);
    j.Key("name").String(v.name);
    j.Key("type").String(v.type);
    j.Key("data").String(v.data);
    j.Key("before");
    if (v.before.empty())
      j.Null();
    else
      j.String(v.before);
    j.EndObject();
  }
  j.EndArray();
  j.Key("shortcuts").BeginArray();
  for (const auto& s : r.shortcuts) {
    j.BeginObject();
    j.Key("link").String(s.link);
    j.Key("target").String(s.target);
    j.Key("arguments").String(s.arguments);
    j.Key("working_directory").String(s.workingDirectory);
    j.EndObject();
  }
  j.EndArray();
  j.Key("programs").BeginArray();
  for (const auto& p : r.programs) {
    j.BeginObject();
    j.Key("command_line").String(p.commandLine);
    j.Key("wait").String(p.wait);
    j.EndObject();
  }
  j.EndArray();
  j.Key("conduit").BeginObject();
  j.Key("registered").Bool(r.conduit);
  j.Key("command_line").String(r.conduitCommandLine);
  j.EndObject();
  j.Key("message_boxes").BeginArray();
  for (const auto& b : r.boxes) {
    j.BeginObject();
    j.Key("text").String(b.text);
    j.Key("caption").String(b.caption);
    j.Key("flags").Int(b.flags);
    j.Key("answer").Int(b.answer);
    j.EndObject();
  }
  j.EndArray();
  j.Key("finished").Bool(r.finished);
  j.Key("stopped");
  if (r.stoppedAt.empty())
    j.Null();
  else
    j.String(r.stoppedAt);
  j.EndObject();
  return j.Text();
}

}  // namespace qs
