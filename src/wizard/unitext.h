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
#include "wizard/modulelist.h"

namespace qs {

class TUserData;

class TFormTools : public TForm {
 public:
  explicit TFormTools(TComponent* owner);
  ~TFormTools() override;
  static const ClassInfo& StaticInfo();
  const ClassInfo& Info() const override { return StaticInfo(); }

  // ---- published component fields, in declared order
  Published<TPackFiles> PackFiles1;
  Published<TImage> Image1;
  Published<TBevel> Bevel1;
  Published<TButton> BPrev;
  Published<TButton> BNext;
  Published<TButton> BCancel;
  Published<TNotebook> Notebook1;
  Published<TLabel> Label1;
  Published<TLabel> Label2;
  Published<TMemo> MemoWelcome;
  Published<TLabel> Label3;
  Published<TMemo> MemoLicence;
  Published<TLabel> Label4;
  Published<TLabel> Label5;
  Published<TPanel> Panel1;
  Published<TDirectoryEdit> DirectoryEdit1;
  Published<TLabel> Label6;
  Published<TLabel> Label7;
  Published<TLabel> Label8;
  Published<TLabel> Label9;
  Published<TLabel> Label10;
  Published<TLabel> Label11;
  Published<TCheckBox> Copyright;
  Published<TCheckBox> Welcome;
  Published<TCheckBox> AutoInstallFirstUser;
  Published<TCheckBox> CKInstallDoviConduit;
  Published<TLabel> MaxStdFile;
  Published<TLabel> MaxStdFileInArchive;
  Published<TTreeNT> Tree1;
  Published<TButton> Button1;
  Published<TButton> Button2;
  Published<TLabel> Label12;
  Published<TGroupBox> GroupBox1;
  Published<TProgressBar> ProgressBar1;
  Published<TLabel> LabelInfo;
  Published<TLabel> idErrorDirectory;
  Published<TLabel> idAttention;
  Published<TLabel> idExit;
  Published<TLabel> idStop;
  Published<TTreeNT> CkUserList;
  Published<TLabel> Label13;
  Published<TLabel> LbUser;
  Published<TLabel> idSelectUser;
  Published<TLabel> idUser;
  Published<TLabel> idDesktopAsk;
  Published<TLabel> idDesktop;
  Published<TLabel> MaxStdFile2;
  Published<TExecFile> ExecFile1;
  Published<TCheckBox> CKDisplaySelectDirectory;
  Published<TButton> Button3;
  Published<TButton> Button4;
  Published<TImage> Image2;

  // ---- published handlers, in declared order
  void FormCreate(TPersistent* Sender);
  void BNextClick(TPersistent* Sender);
  void FormDestroy(TPersistent* Sender);
  void BPrevClick(TPersistent* Sender);
  void BCancelClick(TPersistent* Sender);
  void Button1Click(TPersistent* Sender);
  void Button2Click(TPersistent* Sender);

  // The size of each message buffer: a zero-terminated text of at most 1,023 characters.
  static constexpr std::size_t kMsgBufferSize = 1024;

 private:
  // Tests reach the private operations through this (defined by the tests only).
  friend struct TFormToolsAccess;

  // The module list reader: fills Tree1 from a module list file, then adds the runtime modules.
  void LoadModuleList(const std::string& fileName);
  // Adds one module node under the group node of that name (created when missing).
  void AddModule(const std::string& group, const std::string& text, const TModuleRec& rec);
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
