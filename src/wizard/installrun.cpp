// The installation run of the wizard form: every checked module, once for every chosen user (or
// once for the first user when the user page is skipped), pulled out of the payload beside the
// program and then queued for the user's next HotSync (handheld files) or written into the
// destination directory, linked into the Start menu and run (PC files); then the conduit's
// registration; then the Finish page. Also the form's Start-menu shortcut operation.
//
// Nothing here catches an error: one raised by a step ends the run there and reaches the
// application's standard error box through the Next press that started the run. Temporary files
// beside the program are removed on every way out.
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"
#include "install/filecopy.h"
#include "install/safename.h"
#include "install/shortcut.h"
#include "palm/autoinst.h"
#include "platform/platform.h"
#include "wizard/builder.h"
#include "wizard/unitext.h"
#include "wizard/usernode.h"

namespace qs {

// A module is a handheld file when these appear anywhere in its upper-cased source path, the
// directories included.
constexpr std::string_view kHandheldApplication = ".PRC";
constexpr std::string_view kHandheldDatabase = ".PDB";

bool IsHandheldFile(std::string_view sourcePath) {
  const std::string upper = UpperAZ(sourcePath);
  return upper.find(kHandheldApplication) != std::string::npos || upper.find(kHandheldDatabase) != std::string::npos;
}

namespace {

// One checked module as the run works with it.
struct Module {
  TModuleRec rec;
  std::string sourcePath;
  std::string fileName;  // the checked file-name part of the source path, as stored
};

struct User {
  int position;
  std::string name;
};

// The records of the checked children, in the order the run visits them: every node of the tree in
// display order, and for each its direct children in their order. Records are copied, so that
// nothing a handler does to the tree while the run waits for a program can pull one away.
template <class Rec>
std::vector<Rec> CheckedRecords(const TTreeNT& tree) {
  std::vector<Rec> out;
  for (int i = 0, n = tree.Count(); i < n; ++i) {
    const TTreeNode* node = tree.Item(i);
    for (int c = 0; c < node->Count(); ++c) {
      const TTreeNode* child = node->Item(c);
      if (child->CheckState() != csChecked) continue;
      if (const Rec* rec = child->DataAs<Rec>()) out.push_back(*rec);
    }
  }
  return out;
}

// A file the run wrote beside the program: deleted when it goes out of scope, also when an error
// ends the run. A failure to delete is ignored.
class TemporaryFile {
 public:
  TemporaryFile(IFileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}
  ~TemporaryFile() { Delete(); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& Path() const { return path_; }
  void Delete() {
    if (!path_.empty()) files_.Delete(path_);
    path_.clear();
  }

 private:
  IFileSystem& files_;
  std::string path_;
};

// Writes the packed file of that name (its bytes, or nothing when the payload has no such file) to
// path, creating or replacing the file. The stream is released at once.
void ExtractPackedFile(const TPackFiles& packFiles, IFileSystem& files, std::string_view name,
                       const std::string& path) {
  std::unique_ptr<TMemoryStream> stream = packFiles.ExtractToStream(name);
  SaveStreamToFile(files, *stream, path);
}

// A program group names a folder below the Programs folder, perhaps a subfolder ("Suite\Tools"):
// every part between separators is empty or a plain folder name, so ".." or a drive cannot lead
// the link elsewhere.
bool IsSafeProgramGroup(std::string_view group) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = group.find('\\', start);
    const std::string_view part = group.substr(start, end == std::string_view::npos ? end : end - start);
    if (!part.empty() && !IsSafeFileName(part)) return false;
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace

void TFormTools::CreateShortcut(const std::string& target, const std::string& arguments,
                                const std::string& workingDirectory, const std::string& title,
                                const std::string& programGroup) {
  // A title that is no plain file name, or a group that climbs out of the Programs folder, gives
  // no link and no message, as a title the file system cannot hold does.
  if (!IsSafeFileName(title) || !IsSafeProgramGroup(programGroup)) return;
  qs::CreateShortcut(Host(), target, arguments, workingDirectory, title, programGroup);
}

void TFormTools::RunInstallation(TPersistent* Sender) {
  Platform& host = Host();
  IFileSystem& files = *host.files;
  const std::string programDir = DirectoryPart(host.programPath);

  // The chosen modules, counted once.
  std::vector<Module> modules;
  for (const TModuleRec& rec : CheckedRecords<TModuleRec>(*Tree1)) {
    Module m{rec, ModuleText(rec.SourcePath), {}};
    modules.push_back(std::move(m));
  }
  const int n = static_cast<int>(modules.size());

  // Before anything is written: every file name must stay a plain name in the folders it is
  // joined to, and no temporary copy may replace a file that is already beside the program (the
  // run deletes its copies, so it would delete that file).
  for (Module& m : modules) m.fileName = ModuleFileName(m.sourcePath);
  std::set<std::string> checked;
  for (const Module& m : modules) {
    const std::string path = programDir + m.fileName;
    if (!checked.insert(UpperAZ(path)).second) continue;
    if (files.Attributes(path) != kInvalidAttributes) throw EFCreateError(path);
  }

  if (n > 0) {
    ProgressBar1->SetRange(0, n - 1);
    ProgressBar1->SetPosition(0);
    ProgressBar1->Repaint();
    int counter = 0;

    // One pass over the modules for the user at this list position.
    auto modulePass = [&](int user) {
      for (const Module& m : modules) {
        LabelInfo->SetCaption(m.sourcePath);
        LabelInfo->Repaint();

        TemporaryFile temporary(files, programDir + m.fileName);
        ExtractPackedFile(*PackFiles1, files, UpperAZ(m.fileName), temporary.Path());
        // The destination directory is read afresh at each use, as the user left it.
        const std::string installed = WithTrailingSeparator(DirectoryEdit1->Text()) + m.fileName;

        if (IsHandheldFile(m.sourcePath)) {
          if (FUserData) FUserData->QueueInstall(user, temporary.Path());
          if (m.rec.Action == maQueueAndCopy) FileCopy(files, temporary.Path(), installed);
          temporary.Delete();
        } else {
          FileCopy(files, temporary.Path(), installed);
          // The copy is done with: it goes before anything else can end the installer.
          temporary.Delete();
          if (m.rec.MakeShortcut == 1)
            CreateShortcut(installed, "", "", ModuleText(m.rec.Title), ModuleText(m.rec.ProgramGroup));
          ExecFile1->CommandLine = installed;
          if (m.rec.Action == maRun || m.rec.Action == maRunWait) {
            ExecFile1->Wait = m.rec.Action == maRunWait;
            ExecFile1->Execute();
          }
        }

        ProgressBar1->SetPosition(counter);
        ProgressBar1->Repaint();
        ++counter;
      }
    };

    if (AutoInstallFirstUser->Checked()) {
      // No user was chosen: the handheld files go to the first user of the Palm Desktop.
      modulePass(0);
    } else {
      std::vector<User> users;
      for (const TUserNodeRec& rec : CheckedRecords<TUserNodeRec>(*CkUserList))
        users.push_back(User{rec.Position, UserNodeName(rec)});
      for (const User& user : users) {
        LbUser->SetCaption(user.name);
        LbUser->Repaint();
        modulePass(user.position);
      }
    }
  }

  if (CKInstallDoviConduit->Checked()) {
    TemporaryFile library(files, programDir + std::string(kConduitLibraryName));
    ExtractPackedFile(*PackFiles1, files, kConduitLibraryName, library.Path());
    TemporaryFile tool(files, programDir + std::string(kConduitToolName));
    ExtractPackedFile(*PackFiles1, files, kConduitToolName, tool.Path());
    ExecFile1->CommandLine = tool.Path();
    ExecFile1->Parameters = programDir;
    ExecFile1->Wait = true;
    ExecFile1->Execute();
    library.Delete();
    tool.Delete();
  }

  BNextClick(Sender);
}

}  // namespace qs
