#include "ui/application.h"

#include "core/errors.h"
#include "core/streams.h"
#include "core/text.h"
#include "platform/platform.h"
#include "stream/reader.h"

namespace qs {
namespace {
TApplication* current = nullptr;
}  // namespace

TApplication* CurrentApplication() { return current; }

TApplication& Application() {
  if (!current) throw Exception("no application");
  return *current;
}

TApplication::TApplication(TUiBackend& backend) : backend_(backend), previous_(current) { current = this; }

TApplication::~TApplication() {
  DestroyForms();
  current = previous_;
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  backend_.TitleChanged(title_);
}

void TApplication::SetIcon(const TIcon& icon) {
  icon_ = icon;
  backend_.IconChanged(icon_);
}

std::vector<std::uint8_t> TApplication::FindFormResource(std::string_view className) const {
  if (!finder_) return {};
  return finder_(UpperAZ(className));
}

void TApplication::InitForm(TForm& form) {
  std::vector<std::uint8_t> bytes = FindFormResource(form.ClassName());
  if (!bytes.empty()) {
    TMemoryStream stream(std::move(bytes));
    ReadComponentStream(stream, form);
  }
  form.AfterConstruction();
}

void TApplication::DestroyForms() {
  while (!forms_.empty()) {
    std::unique_ptr<TForm> f = std::move(forms_.back());
    forms_.pop_back();
    if (f.get() == mainForm_) mainForm_ = nullptr;
    f->BeforeDestruction();
    f.reset();
  }
}

void TApplication::Terminate() { backend_.PostQuit(); }

void TApplication::ProcessMessages() {
  for (;;) {
    const MessageResult r = backend_.HandleMessage(false);
    if (r == MessageResult::Empty) return;
    if (r == MessageResult::Quit) terminated_ = true;
  }
}

void TApplication::Run() {
  if (mainForm_) {
    mainForm_->SetVisible(true);
    backend_.ShowForm(*mainForm_);
  }
  while (!terminated_) {
    const MessageResult r = backend_.HandleMessage(true);
    if (r == MessageResult::Quit) terminated_ = true;
    if (r == MessageResult::Empty) break;
  }
}

void TApplication::HandleException(const std::exception& e) {
  backend_.MessageBox(nullptr, ErrorBoxText(e.what()), title_, kMbOk | kMbIconError);
}

void TApplication::Guard(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    HandleException(e);
  }
}

int TApplication::MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags) {
  return backend_.MessageBox(owner, text, caption, flags);
}

}  // namespace qs
