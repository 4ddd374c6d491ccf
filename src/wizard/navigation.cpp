// The wizard's buttons: Next, Back and Cancel under the pages, and Select all / Unselect all on the
// module and user pages. The current page of Notebook1 is the only navigation state; the option
// check boxes are read afresh at every press.
#include "core/text.h"
#include "platform/platform.h"
#include "ui/application.h"
#include "wizard/unitext.h"

namespace qs {

namespace {

enum Page { pgWelcome = 0, pgLicence, pgDestinationDir, pgSelectModule, pgSelectUser, pgInstallation, pgFinish };

constexpr unsigned kErrorBox = kMbIconError;
constexpr unsigned kCancelQuestion = kMbYesNo | kMbIconQuestion | kMbDefButton2;
constexpr const char* kQuitCaption = "&Quit";

// Whether any child of any node of the tree is checked.
bool AnyChildChecked(const TTreeNT& tree) {
  for (int i = 0, n = tree.Count(); i < n; ++i) {
    const TTreeNode* node = tree.Item(i);
    for (int c = 0; c < node->Count(); ++c)
      if (node->Item(c)->Checked()) return true;
  }
  return false;
}

void SetAllChecks(TTreeNT& tree, int state) {
  tree.BeginUpdate();
  // The tree honours the state only on nodes that show a check box: group nodes stay as they are.
  for (int i = 0, n = tree.Count(); i < n; ++i) tree.Item(i)->SetCheckState(state);
  tree.EndUpdate();
}

}  // namespace

void TFormTools::BNextClick(TPersistent* Sender) {
  if (!FComplete) return;
  TNotebook& book = *Notebook1;
  auto page = [&book] { return book.PageIndex(); };

  // At least one user must be chosen on the user page.
  if (page() == pgSelectUser && !AnyChildChecked(*CkUserList)) {
    ShowMessageBox(idSelectUser, idUser, kErrorBox);
    return;
  }
  if (page() < pgSelectUser) BPrev->SetEnabled(true);
  BNext->SetEnabled(true);

  // A hidden directory page is passed through, but its directory is still checked. Reaching it
  // by skipping a hidden licence page counts as passing through it too.
  const bool directoryHidden = !CKDisplaySelectDirectory->Checked();
  if (page() == pgLicence && directoryHidden) book.SetPageIndex(page() + 1);
  if (page() == pgDestinationDir && IsBlank(DirectoryEdit1->Text())) {
    ShowMessageBox(idErrorDirectory, idAttention, kErrorBox);
    return;
  }

  if (page() < pgFinish) {
    book.SetPageIndex(page() + 1);
    if (!Copyright->Checked() && page() == pgLicence) {
      book.SetPageIndex(page() + 1);
      if (directoryHidden && page() == pgDestinationDir) {
        if (IsBlank(DirectoryEdit1->Text())) {
          ShowMessageBox(idErrorDirectory, idAttention, kErrorBox);
          return;
        }
        book.SetPageIndex(page() + 1);
      }
    }
    if (AutoInstallFirstUser->Checked() && page() == pgSelectUser) book.SetPageIndex(page() + 1);
    if (page() == pgFinish) {
      BPrev->SetEnabled(false);
      BNext->SetEnabled(false);
      BCancel->SetCaption(kQuitCaption);
    }
  }

  if (page() == pgInstallation) {
    book.Repaint();
    // Back and Next stay disabled while the run is active (Cancel stays, to end the installer);
    // the run's own final Next takes the wizard to Finish. Should the run end with an error,
    // the wizard stays on the Installation page with both buttons usable again.
    const bool prevEnabled = BPrev->Enabled();
    BPrev->SetEnabled(false);
    BNext->SetEnabled(false);
    try {
      RunInstallation(Sender);
    } catch (...) {
      if (BPrev && BNext && page() == pgInstallation) {
        BPrev->SetEnabled(prevEnabled);
        BNext->SetEnabled(true);
      }
      throw;
    }
  }
}

void TFormTools::BPrevClick(TPersistent*) {
  if (!FComplete) return;
  TNotebook& book = *Notebook1;
  auto page = [&book] { return book.PageIndex(); };

  book.SetPageIndex(page() - 1);
  if (!Copyright->Checked() && page() == pgLicence) book.SetPageIndex(page() - 1);
  if (AutoInstallFirstUser->Checked() && page() == pgSelectUser) book.SetPageIndex(page() - 1);
  if (page() == pgDestinationDir && !CKDisplaySelectDirectory->Checked()) {
    book.SetPageIndex(page() - 1);
    // Skipping the hidden directory page may land on a hidden licence page: go past it too.
    if (!Copyright->Checked() && page() == pgLicence) book.SetPageIndex(page() - 1);
  }
  if (page() == pgWelcome) BPrev->SetEnabled(false);
}

void TFormTools::BCancelClick(TPersistent*) {
  if (!FComplete) {
    // Start-up left no wizard: Cancel is the way out, asking first when the form has the labels.
    if (!idExit || !idStop || ShowMessageBox(idExit, idStop, kCancelQuestion) == kIdYes) Application().Terminate();
    return;
  }
  if (Notebook1->PageIndex() == pgFinish) {
    Application().Terminate();
    return;
  }
  if (ShowMessageBox(idExit, idStop, kCancelQuestion) == kIdYes) Application().Terminate();
}

void TFormTools::Button1Click(TPersistent*) {
  if (!FComplete) return;
  SetAllChecks(Notebook1->PageIndex() == pgSelectModule ? *Tree1 : *CkUserList, csChecked);
}

void TFormTools::Button2Click(TPersistent*) {
  if (!FComplete) return;
  SetAllChecks(Notebook1->PageIndex() == pgSelectModule ? *Tree1 : *CkUserList, csUnchecked);
}

}  // namespace qs
