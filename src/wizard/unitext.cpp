#include "wizard/unitext.h"

#include "palm/autoinst.h"

namespace qs {

// A published component field: its name, its declared class and the slot the reader binds.
#define QS_FIELD(cls, name)                                                                                         \
  FieldInfo {                                                                                                       \
#name, &cls::StaticInfo(), [](TComponent & r) -> TComponent*& { return static_cast<TFormTools&>(r).name.slot; } \
  }
// A published handler, called with the sender of the event.
#define QS_HANDLER(name)                                                                          \
  MethodInfo {                                                                                    \
#name, [](TComponent & r, TPersistent * sender) { static_cast<TFormTools&>(r).name(sender); } \
  }

const ClassInfo& TFormTools::StaticInfo() {
  static const ClassInfo info{"TFormTools",
                              &TForm::StaticInfo(),
                              {},
                              [](TComponent* owner) -> TComponent* { return new TFormTools(owner); },
                              {
                                  QS_FIELD(TPackFiles, PackFiles1),
                                  QS_FIELD(TImage, Image1),
                                  QS_FIELD(TBevel, Bevel1),
                                  QS_FIELD(TButton, BPrev),
                                  QS_FIELD(TButton, BNext),
                                  QS_FIELD(TButton, BCancel),
                                  QS_FIELD(TNotebook, Notebook1),
                                  QS_FIELD(TLabel, Label1),
                                  QS_FIELD(TLabel, Label2),
                                  QS_FIELD(TMemo, MemoWelcome),
                                  QS_FIELD(TLabel, Label3),
                                  QS_FIELD(TMemo, MemoLicence),
                                  QS_FIELD(TLabel, Label4),
                                  QS_FIELD(TLabel, Label5),
                                  QS_FIELD(TPanel, Panel1),
                                  QS_FIELD(TDirectoryEdit, DirectoryEdit1),
                                  QS_FIELD(TLabel, Label6),
                                  QS_FIELD(TLabel, Label7),
                                  QS_FIELD(TLabel, Label8),
                                  QS_FIELD(TLabel, Label9),
                                  QS_FIELD(TLabel, Label10),
                                  QS_FIELD(TLabel, Label11),
                                  QS_FIELD(TCheckBox, Copyright),
                                  QS_FIELD(TCheckBox, Welcome),
                                  QS_FIELD(TCheckBox, AutoInstallFirstUser),
                                  QS_FIELD(TCheckBox, CKInstallDoviConduit),
                                  QS_FIELD(TLabel, MaxStdFile),
                                  QS_FIELD(TLabel, MaxStdFileInArchive),
                                  QS_FIELD(TTreeNT, Tree1),
                                  QS_FIELD(TButton, Button1),
                                  QS_FIELD(TButton, Button2),
                                  QS_FIELD(TLabel, Label12),
                                  QS_FIELD(TGroupBox, GroupBox1),
                                  QS_FIELD(TProgressBar, ProgressBar1),
                                  QS_FIELD(TLabel, LabelInfo),
                                  QS_FIELD(TLabel, idErrorDirectory),
                                  QS_FIELD(TLabel, idAttention),
                                  QS_FIELD(TLabel, idExit),
                                  QS_FIELD(TLabel, idStop),
                                  QS_FIELD(TTreeNT, CkUserList),
                                  QS_FIELD(TLabel, Label13),
                                  QS_FIELD(TLabel, LbUser),
                                  QS_FIELD(TLabel, idSelectUser),
                                  QS_FIELD(TLabel, idUser),
                                  QS_FIELD(TLabel, idDesktopAsk),
                                  QS_FIELD(TLabel, idDesktop),
                                  QS_FIELD(TLabel, MaxStdFile2),
                                  QS_FIELD(TExecFile, ExecFile1),
                                  QS_FIELD(TCheckBox, CKDisplaySelectDirectory),
                                  QS_FIELD(TButton, Button3),
                                  QS_FIELD(TButton, Button4),
                                  QS_FIELD(TImage, Image2),
                              },
                              {
                                  QS_HANDLER(FormCreate),
                                  QS_HANDLER(BNextClick),
                                  QS_HANDLER(FormDestroy),
                                  QS_HANDLER(BPrevClick),
                                  QS_HANDLER(BCancelClick),
                                  QS_HANDLER(Button1Click),
                                  QS_HANDLER(Button2Click),
                              }};
  return info;
}

#undef QS_FIELD
#undef QS_HANDLER

TFormTools::TFormTools(TComponent* owner) : TForm(owner) {}

TFormTools::~TFormTools() {
  // OnDestroy runs while the handlers still can, and the components go while their fields exist.
  BeforeDestruction();
  DestroyComponents();
  // A form whose stream bound no OnDestroy still releases the user list.
  delete FUserData;
  FUserData = nullptr;
}

// The handlers live beside the wizard's logic: FormCreate and FormDestroy in startup.cpp, the
// buttons in navigation.cpp.

}  // namespace qs
