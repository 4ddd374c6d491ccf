// Headless wizard scenarios: a program file (stub + payload) on a drive-mapped file system, the
// Palm Desktop in an in-memory registry, the wizard form started as the program starts it, and a
// headless backend that answers message boxes from a script.
//
// Payloads are made the way a builder makes them: the built-in form is read onto a model form,
// the model is changed, and our writer writes it back as a component stream.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/streams.h"
#include "core/text.h"
#include "palm/users_dat.h"
#include "platform/portable/host.h"
#include "platform/temp_dir.h"
#include "stream/reader.h"
#include "stream/writer.h"
#include "ui/headless/headless.h"
#include "wizard/builtinform.h"
#include "wizard/selfext.h"
#include "wizard/startup.h"
#include "wizard/unitext.h"
#include "wizard/usernode.h"

namespace qs {

// Reaches the wizard form's private operations and buffers.
struct TFormToolsAccess {
  static void LoadModuleList(TFormTools& f, const std::string& path) { f.LoadModuleList(path); }
  static std::string MsgText(const TFormTools& f) { return f.FMsgText.data(); }
  static std::string MsgCaption(const TFormTools& f) { return f.FMsgCaption.data(); }
  static const TUserData* UserData(const TFormTools& f) { return f.FUserData; }
};

namespace test {

inline std::vector<std::uint8_t> BuiltInBytes() {
  auto s = BuiltInFormTools();
  return {s.begin(), s.end()};
}

// The built-in form as a model to change.
inline std::unique_ptr<TFormTools> BuiltInModel() {
  auto model = std::make_unique<TFormTools>(nullptr);
  TMemoryStream in(BuiltInBytes());
  ReadComponentStream(in, *model);
  return model;
}

// The model written as a component stream.
inline std::vector<std::uint8_t> FormBytes(TFormTools& model) {
  TMemoryStream out;
  WriteComponentStream(out, model);
  return out.Bytes();
}

inline TFileItem& AddPackedFile(TFormTools& model, const std::string& name, const std::string& bytes,
                                const std::string& description = "", bool compress = true) {
  TFileItem& item = *model.PackFiles1->Items().AddItem();
  item.SetName(name);
  item.SetDescription(description);
  item.Compress = compress;
  item.Data().WriteBuffer(bytes.data(), bytes.size());
  item.Data().SetPosition(0);
  return item;
}

inline TModuleRec Module(const std::string& source, const std::string& title = "", const std::string& group = "",
                         std::int32_t action = 0, std::int32_t shortcut = 0, const std::string& programGroup = "") {
  TModuleRec r = EmptyModuleRec();
  EXPECT_TRUE(SetModuleText(r.SourcePath, source));
  EXPECT_TRUE(SetModuleText(r.Title, title));
  EXPECT_TRUE(SetModuleText(r.Group, group));
  EXPECT_TRUE(SetModuleText(r.ProgramGroup, programGroup));
  r.Action = action;
  r.MakeShortcut = shortcut;
  return r;
}

inline std::string ListFile(const std::vector<TModuleRec>& recs) {
  auto bytes = ModuleListBytes(recs);
  return {bytes.begin(), bytes.end()};
}

// A path with the name of the run's private temporary folder (made up anew each run) written as
// "<tmp>": "C:\Temp\QS01A2B3.TMP\ILIST.QSP" gives "<tmp>\ILIST.QSP".
inline std::string MaskTemp(std::string text) {
  const std::string base = "C:\\Temp\\QS";
  for (std::size_t at; (at = text.find(base)) != std::string::npos;) {
    const std::size_t end = text.find(".TMP", at);
    if (end == std::string::npos) break;
    text.replace(at, end + 4 - at, "<tmp>");
  }
  return text;
}

// A file system that records what the wizard asks of it and can play a read-only folder.
class RecordingFiles : public IFileSystem {
 public:
  explicit RecordingFiles(IFileSystem& inner) : inner_(inner) {}
  std::vector<std::string> log;
  std::string readOnlyFolder;  // upper-case Windows folder with trailing "\"; creating below it fails

  std::unique_ptr<IFile> Open(const std::string& path, bool write, ShareMode share) override {
    log.push_back(std::string("open ") + (write ? "rw " : "r ") + ShareName(share) + " " + MaskTemp(path));
    return inner_.Open(path, write, share);
  }
  std::unique_ptr<IFile> Create(const std::string& path) override {
    log.push_back("create " + MaskTemp(path));
    if (!readOnlyFolder.empty() && UpperAZ(path).rfind(readOnlyFolder, 0) == 0) return nullptr;
    return inner_.Create(path);
  }
  bool Delete(const std::string& path) override {
    log.push_back("delete " + MaskTemp(path));
    return inner_.Delete(path);
  }
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    return inner_.Copy(from, to, failIfExists);
  }
  bool CreateDirectory(const std::string& path) override { return inner_.CreateDirectory(path); }
  bool ForceDirectories(const std::string& path) override { return inner_.ForceDirectories(path); }
  std::uint32_t Attributes(const std::string& path) override { return inner_.Attributes(path); }
  bool RemoveDirectory(const std::string& path) override { return inner_.RemoveDirectory(path); }
  std::string TempDirectory() override { return inner_.TempDirectory(); }

 private:
  static const char* ShareName(ShareMode s) {
    switch (s) {
      case ShareMode::DenyNone:
        return "deny-none";
      case ShareMode::DenyWrite:
        return "deny-write";
      case ShareMode::DenyReadWrite:
        return "deny-read-write";
      case ShareMode::Exclusive:
        return "exclusive";
    }
    return "?";
  }
  IFileSystem& inner_;
};

// A headless backend whose surprises fail the test, and that runs a hook when the main form is
// shown (the moment the event loop starts).
class TestBackend : public THeadlessBackend {
 public:
  TestBackend() {
    onUnexpected = [](const std::string& m) { ADD_FAILURE() << m; };
  }
  std::function<void(TForm&)> onShow;
  void ShowForm(TForm& form) override {
    THeadlessBackend::ShowForm(form);
    if (onShow) onShow(form);
  }
};

inline constexpr const char* kTitle = "Quillset Version 2.0";
inline constexpr unsigned kErrorBoxFlags = 0x10;

// The built-in captions of the start-up question.
inline constexpr const char* kDesktopAsk =
    "It seems that the Palm Desktop was not installed on this computer. Since this component is necessary to "
    "complete the installation do you want to continue anyway ?";
inline constexpr const char* kDesktopCaption = "Desktop installation ..";

class WizardTest : public ::testing::Test {
 public:
  WizardTest() : files(host.files) {
    std::filesystem::create_directories(dir.Path() / "Apps");
    std::filesystem::create_directories(dir.Path() / "Temp");
    host.files.MapDrive('C', dir.Path());
    host.files.SetTempDirectory("C:\\Temp");
    host.platform.files = &files;
    host.platform.programPath = "C:\\Apps\\Setup.exe";
  }
  ~WizardTest() override {
    program.reset();
    EXPECT_EQ(backend.Unmet(), "");
  }

  // The Palm Desktop with these users (name, folder), below "Software\U.S. Robotics".
  void InstallDesktop(const std::vector<std::pair<std::string, std::string>>& users) {
    host.registry.SetString("Software\\U.S. Robotics\\Pilot Desktop\\Core", "Path", "C:\\Palm");
    std::vector<UserEntry> entries;
    std::uint16_t number = 1;
    for (const auto& [name, folder] : users) entries.emplace_back(number++, name, folder);
    WriteHostFile(dir.Path() / "Palm" / "users.dat", UsersDat(entries));
  }

  // The program file: a stub of the exact length (not all zeros), then the payload.
  void WriteProgram(const std::vector<std::uint8_t>& payload, const std::string& path = "C:\\Apps\\Setup.exe") {
    const std::size_t stub = 629760;  // the stub's exact length, written out on purpose
    std::string bytes(stub, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    bytes[stub - 1] = 'T';  // a stub byte that would spoil a payload read one byte early
    bytes.append(payload.begin(), payload.end());
    host.platform.programPath = path;
    auto hostPath = host.files.HostPath(path);
    ASSERT_TRUE(hostPath);
    WriteHostFile(*hostPath, bytes);
  }
  void WriteProgram(TFormTools& model, const std::string& path = "C:\\Apps\\Setup.exe") {
    WriteProgram(FormBytes(model), path);
  }

  // Starts the program as its entry does, up to the event loop.
  TFormTools* Start() {
    program = std::make_unique<SelfExtProgram>(backend, host.platform, [](std::string_view name) {
      return name == "TFORMTOOLS" ? BuiltInBytes() : std::vector<std::uint8_t>{};
    });
    form = program->CreateWizard();
    return form;
  }
  // Starts on the built-in form (a program name with the marker), with the Palm Desktop present.
  TFormTools* StartBuiltIn(const std::vector<std::pair<std::string, std::string>>& users = {}) {
    InstallDesktop(users);
    host.platform.programPath = "C:\\Apps\\Quillset.exe";
    return Start();
  }

  bool HostFileExists(const std::string& winPath) {
    auto p = host.files.HostPath(winPath);
    return p && std::filesystem::exists(*p);
  }
  // Names of the files in the program's folder.
  std::vector<std::string> ProgramFolder() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() / "Apps"))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Whatever is left in the user's temporary directory (the run's own folder goes with its files).
  std::vector<std::string> TempLeft() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path() / "Temp"))
      names.push_back(std::filesystem::relative(e.path(), dir.Path() / "Temp").generic_string());
    return names;
  }

  TempDir dir;
  PortableHost host;
  RecordingFiles files;
  TestBackend backend;
  std::unique_ptr<SelfExtProgram> program;
  TFormTools* form = nullptr;
};

// The texts of a tree's nodes in display order, children indented by two blanks per level.
inline std::vector<std::string> TreeShape(const TTreeNT& tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree.Count(); ++i) {
    const TTreeNode* n = tree.Item(i);
    out.push_back(std::string(static_cast<std::size_t>(2 * n->Level()), ' ') + n->Text());
  }
  return out;
}

// What the Enter key does on the form: press its default button, if that button can be pressed.
inline bool PressEnter(TForm& form) {
  for (int i = 0; i < form.ComponentCount(); ++i)
    if (auto* b = dynamic_cast<TButton*>(form.Component(i)); b && b->Default()) {
      if (!b->Enabled() || !b->Visible()) return false;
      b->Click();
      return true;
    }
  return false;
}

}  // namespace test
}  // namespace qs
