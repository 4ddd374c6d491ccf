// Start-up of the wizard form: FormCreate applies the payload onto the form, builds the module tree
// and the user tree and leaves the wizard on its first page; FormDestroy releases what FormCreate
// acquired. Also the message boxes of the wizard, built from the captions of its message labels.
#include "wizard/startup.h"

#include <algorithm>
#include <array>
#include <memory>

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"
#include "palm/autoinst.h"
#include "platform/platform.h"
#include "stream/reader.h"
#include "ui/application.h"
#include "wizard/tempfiles.h"
#include "wizard/unitext.h"
#include "wizard/usernode.h"

namespace qs {

namespace {

// Pages 0 (Welcome) to 6 (Finish) are where the wizard goes.
constexpr int kWizardPages = 7;

std::string JoinNames(const std::vector<std::string>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += ", ";
    out += names[i];
  }
  return out;
}

constexpr std::string_view kRefused = "The installation data cannot be used: ";

std::string LacksText(const std::vector<std::string>& names) {
  return "it lacks the component" + std::string(names.size() > 1 ? "s " : " ") + JoinNames(names);
}

std::string MissingMessage(const std::vector<std::string>& names) { return std::string(kRefused) + LacksText(names); }

// Copies a text into a message buffer: at most size - 1 bytes, always zero-terminated.
template <std::size_t N>
void FillBuffer(std::array<char, N>& buffer, const std::string& text) {
  const std::size_t n = std::min(text.size(), N - 1);
  std::copy_n(text.data(), n, buffer.data());
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(n), buffer.end(), '\0');
}

}  // namespace

bool IsBuiltInProgramName(std::string_view programPath) {
  return UpperAZ(FileNamePart(programPath)).find(kBuiltInNameMarker) != std::string::npos;
}

std::vector<std::uint8_t> ReadPayload(IFileSystem& files, const std::string& programPath) {
  TFileStream file(files, programPath, FileMode::OpenRead, ShareMode::DenyNone);
  const std::int64_t size = file.Size();
  TMemoryStream payload;
  if (size > PayloadOffset) {
    file.SetPosition(PayloadOffset);
    payload.CopyFrom(file, size - PayloadOffset);
  }
  return std::move(payload.Bytes());
}

int TFormTools::ShowMessageBox(const TLabel* text, const TLabel* caption, unsigned flags) {
  // The buffers hold 1,023 bytes and a terminator: a longer caption is cut, never overflows.
  FillBuffer(FMsgText, text ? text->Caption() : std::string());
  FillBuffer(FMsgCaption, caption ? caption->Caption() : std::string());
  return Application().MessageBox(this, std::string(FMsgText.data()), std::string(FMsgCaption.data()), flags);
}

void TFormTools::CheckComponents() {
  const std::string problems = ComponentProblems();
  if (!problems.empty()) throw Exception(problems);
}

std::string TFormTools::ComponentProblems() {
  std::vector<std::string> missing, wrongKind;
  for (const FieldInfo& field : StaticInfo().fields) {
    if (std::find(std::begin(kRequiredComponents), std::end(kRequiredComponents), field.name) ==
        std::end(kRequiredComponents))
      continue;
    if (field.slot(*this)) continue;  // bound, hence of the declared class
    const std::string name(field.name);
    if (const TComponent* other = FindComponent(name)) {
      wrongKind.push_back("its component " + name + " is a " + std::string(other->ClassName()) + ", not a " +
                          std::string(field.cls->name));
    } else {
      missing.push_back(name);
    }
  }
  std::vector<std::string> problems;
  if (!missing.empty()) problems.push_back(LacksText(missing));
  problems.insert(problems.end(), wrongKind.begin(), wrongKind.end());
  if (problems.empty() && Notebook1->PageCount() < kWizardPages)
    problems.push_back("its Notebook1 has " + std::to_string(Notebook1->PageCount()) + " pages, not the " +
                       std::to_string(kWizardPages) + " pages of the wizard");
  if (problems.empty()) return {};
  std::string message(kRefused);
  for (std::size_t i = 0; i < problems.size(); ++i) message += (i > 0 ? "; " : "") + problems[i];
  return message;
}

void TFormTools::SettleAfterFailedStart(bool payloadBroken) {
  // A form that is whole (the built-in one, or a payload that was read to its end) works as the
  // wizard does, from its first page.
  FComplete = !payloadBroken && ComponentProblems().empty();
  if (FComplete) {
    Notebook1->SetPageIndex(0);
    BPrev->SetEnabled(false);
    MemoWelcome->SetVisible(Welcome->Checked());
    return;
  }
  // What is left of a form whose payload broke off: no button can do its work but Cancel, which
  // ends the program, whatever the payload bound to it.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* button = dynamic_cast<TButton*>(Component(i)); button && button != BCancel) button->SetEnabled(false);
  if (BCancel) {
    BCancel->SetEnabled(true);
    BCancel->OnClick = TNotifyEvent{"BCancelClick", [this](TPersistent* sender) { BCancelClick(sender); }};
  }
}

void TFormTools::FormCreate(TPersistent*) {
  FComplete = false;
  Platform& host = Host();
  // Whatever ends start-up early, the buttons that show enabled afterwards do something.
  struct Settle {
    TFormTools& form;
    bool payloadBroken = false;
    bool done = false;
    ~Settle() {
      if (!done) form.SettleAfterFailedStart(payloadBroken);
    }
  } settle{*this};

  // Acquire: the Palm Desktop's user list (its discovery runs to the end here).
  delete FUserData;
  FUserData = nullptr;
  FUserData = new TUserData(host);
  FMsgText.fill('\0');
  FMsgCaption.fill('\0');

  // The Palm Desktop question. The payload is not applied yet: the built-in captions are shown.
  if (FUserData->DesktopMissing()) {
    std::vector<std::string> missing;
    if (!idDesktopAsk) missing.push_back("idDesktopAsk");
    if (!idDesktop) missing.push_back("idDesktop");
    if (!missing.empty()) throw Exception(MissingMessage(missing));
    if (ShowMessageBox(idDesktopAsk, idDesktop, kMbYesNo | kMbIconQuestion) == kIdNo) Application().Terminate();
  }

  if (!IsBuiltInProgramName(host.programPath)) {
    // Copy the payload into memory, strip the form, let pending messages through, apply it.
    TMemoryStream payload(ReadPayload(*host.files, host.programPath));
    settle.payloadBroken = true;
    DestroyComponents();
    if (TApplication* app = CurrentApplication()) app->ProcessMessages();
    payload.SetPosition(0);
    ReadComponentStream(payload, *this);
    settle.payloadBroken = false;
  }

  // A form without a component the wizard works with would fail at the first use of it: refuse
  // it now, name what is missing, and end the program once the message has been read.
  try {
    CheckComponents();
  } catch (...) {
    if (TApplication* app = CurrentApplication()) app->Terminate();
    throw;
  }
  FComplete = true;

  if (!IsBuiltInProgramName(host.programPath)) {
    // The module list travels as a packed file: write it into a private temporary folder (a file
    // of its name beside the program stays untouched), read it, delete it with the folder.
    TemporaryFiles temporary(host);
    const std::string listPath = temporary.InFolder(kModuleListName);
    {
      std::unique_ptr<TMemoryStream> list = PackFiles1->ExtractToStream(kModuleListName);
      TFileStream file(*host.files, listPath, FileMode::Create);
      file.WriteBuffer(list->Data(), list->Bytes().size());
    }
    LoadModuleList(listPath);
  }

  Notebook1->SetPageIndex(0);
  MemoWelcome->SetVisible(Welcome->Checked());

  // The user tree: "Users" with one check-box node per Palm Desktop user.
  TTreeNT& users = *CkUserList;
  users.Clear();
  users.BeginUpdate();
  TTreeNode* root = users.Add(std::string(kUsersNodeText));
  root->SetCheckType(TCheckType::CheckBox);
  root->SetImageIndex(1);
  root->SetSelectedIndex(1);
  for (int i = 0; i < FUserData->UserCount(); ++i) {
    const std::string name = FUserData->UserName(i);
    users.AddChild(root, name, MakeUserNodeRec(name, i));
  }

  Application().SetTitle(Caption());
  Application().SetIcon(Image2->Picture().Icon());

  users.FullExpand();
  if (users.TopCount() > 0) users.TopItem(0)->MakeVisible();
  users.EndUpdate();
  settle.done = true;
}

void TFormTools::FormDestroy(TPersistent*) {
  delete FUserData;
  FUserData = nullptr;
  FMsgText.fill('\0');
  FMsgCaption.fill('\0');
}

TUserNodeRec MakeUserNodeRec(std::string_view name, int position) {
  TUserNodeRec rec;
  const std::size_t n = std::min(name.size(), kUserNodeNameSize - 1);
  std::copy_n(name.data(), n, rec.Name);
  rec.Position = position;
  return rec;
}

std::string UserNodeName(const TUserNodeRec& rec) { return FixedField(rec.Name, kUserNodeNameSize); }

}  // namespace qs
