// UnitExt: the wizard form TFormTools.
//
// The names of its published component fields and handlers are the contract between the program
// and every payload: a form stream binds its components to these fields by name and its events to
// these handlers by name. The fields are declared in the order the form has always declared them.
#pragma once
#include <array>
#include <string>

#include "install/execfile.h"
#include "packer/gpackfiles.h"
#include "ui/controls.h"
#include "ui/notebook.h"
#include "ui/stdctrls.h"
#include "ui/treent.h"
#include "wizard/contract.h"
#include "wizard/modulelist.h"

namespace qs {

class TUserData;

// The published component fields of TFormTools, in declared order: X(class, name) for each. The
// class declares them from this list and its class information lists them from it, so the two
// cannot drift apart.
#define QS_TFORMTOOLS_FIELDS(X)          \
  X(TPackFiles, PackFiles1)              \
  X(TImage, Image1)                      \
  X(TBevel, Bevel1)                      \
  X(TButton, BPrev)                      \
  X(TButton, BNext)                      \
  X(TButton, BCancel)                    \
  X(TNotebook, Notebook1)                \
  X(TLabel, Label1)                      \
  X(TLabel, Label2)                      \
  X(TMemo, MemoWelcome)                  \
  X(TLabel, Label3)                      \
  X(TMemo, MemoLicence)                  \
  X(TLabel, Label4)                      \
  X(TLabel, Label5)                      \
  X(TPanel, Panel1)                      \
  X(TDirectoryEdit, DirectoryEdit1)      \
  X(TLabel, Label6)                      \
  X(TLabel, Label7)                      \
  X(TLabel, Label8)                      \
  X(TLabel, Label9)                      \
  X(TLabel, Label10)                     \
  X(TLabel, Label11)                     \
  X(TCheckBox, Copyright)                \
  X(TCheckBox, Welcome)                  \
  X(TCheckBox, AutoInstallFirstUser)     \
  X(TCheckBox, CKInstallDoviConduit)     \
  X(TLabel, MaxStdFile)                  \
  X(TLabel, MaxStdFileInArchive)         \
  X(TTreeNT, Tree1)                      \
  X(TButton, Button1)                    \
  X(TButton, Button2)                    \
  X(TLabel, Label12)                     \
  X(TGroupBox, GroupBox1)                \
  X(TProgressBar, ProgressBar1)          \
  X(TLabel, LabelInfo)                   \
  X(TLabel, idErrorDirectory)            \
  X(TLabel, idAttention)                 \
  X(TLabel, idExit)                      \
  X(TLabel, idStop)                      \
  X(TTreeNT, CkUserList)                 \
  X(TLabel, Label13)                     \
  X(TLabel, LbUser)                      \
  X(TLabel, idSelectUser)                \
  X(TLabel, idUser)                      \
  X(TLabel, idDesktopAsk)                \
  X(TLabel, idDesktop)                   \
  X(TLabel, MaxStdFile2)                 \
  X(TExecFile, ExecFile1)                \
  X(TCheckBox, CKDisplaySelectDirectory) \
  X(TButton, Button3)                    \
  X(TButton, Button4)                    \
  X(TImage, Image2)

// The published handlers of TFormTools, in declared order: X(name) for each.
#define QS_TFORMTOOLS_HANDLERS(X) \
  X(FormCreate)                   \
  X(BNextClick)                   \
  X(FormDestroy)                  \
  X(BPrevClick)                   \
  X(BCancelClick)                 \
  X(Button1Click)                 \
  X(Button2Click)

class TFormTools : public TForm {
 public:
  explicit TFormTools(TComponent* owner);
  ~TFormTools() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  // ---- published component fields, in declared order
#define QS_DECLARE_FIELD(cls, name) Published<cls> name;
  QS_TFORMTOOLS_FIELDS(QS_DECLARE_FIELD)
#undef QS_DECLARE_FIELD

  // ---- published handlers, in declared order
#define QS_DECLARE_HANDLER(name) void name(TPersistent* Sender);
  QS_TFORMTOOLS_HANDLERS(QS_DECLARE_HANDLER)
#undef QS_DECLARE_HANDLER

  // The size of each message buffer: a zero-terminated text of at most 1,023 characters.
  static constexpr std::size_t kMsgBufferSize = kMaxMessageText + 1;

 private:
  // Tests reach the private operations through this (defined by the tests only).
  friend struct TFormToolsAccess;

  // The module list reader: fills Tree1 from a module list file, then adds the runtime modules.
  void LoadModuleList(const std::string& fileName);
  // The installation run over the checked modules and users; ends by calling BNextClick(Sender).
  void RunInstallation(TPersistent* Sender);
  // A Start-menu shortcut to target in the program group.
  void CreateShortcut(const std::string& target, const std::string& arguments, const std::string& workingDirectory,
                      const std::string& title, const std::string& programGroup);

  // The wizard's message boxes: the caption of one message label as text, of another as caption,
  // copied into FMsgText / FMsgCaption (cut to what the buffers hold). Gives the button pressed.
  int ShowMessageBox(const TLabel* text, const TLabel* caption, unsigned flags);
  // Raises, naming them, when components the wizard works with are missing or of another kind.
  void CheckComponents();
  // The message CheckComponents raises; empty when the form has them all.
  std::string ComponentProblems();
  // After an error ended start-up: a whole form works from its first page (payloadBroken: the
  // form lost its components to a payload that broke off); otherwise every button but Cancel is
  // disabled and Cancel ends the program.
  void SettleAfterFailedStart(bool payloadBroken);

  TUserData* FUserData = nullptr;
  std::array<char, kMsgBufferSize> FMsgText{};
  std::array<char, kMsgBufferSize> FMsgCaption{};
  // Set once start-up found every component the wizard works with: until then the button
  // handlers do nothing (but Cancel, which ends the program), so a form that lost components to a
  // failed start-up cannot crash.
  bool FComplete = false;
};

}  // namespace qs
