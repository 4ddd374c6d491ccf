// The application: title, icon, the forms it created, the thread's message queue (through the
// UI backend) and the standard error box for an error that escapes an event handler.
#pragma once
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/backend.h"
#include "ui/controls.h"
#include "ui/graphics.h"

namespace qs {

class TApplication {
 public:
  // Becomes the current application (Application()) until destroyed.
  explicit TApplication(TUiBackend& backend);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  TUiBackend& Backend() { return backend_; }

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  const TIcon& Icon() const { return icon_; }
  void SetIcon(const TIcon& icon);

  // ---- forms
  // Where a form's built-in stream comes from: given the resource name (the form's class name in
  // upper case, "TFORMTOOLS"), the stream's bytes, or nothing when there is none. The Windows
  // program looks in its resources; tests and tools hand over compiled-in bytes.
  using ResourceFinder = std::function<std::vector<std::uint8_t>(std::string_view name)>;
  void SetResourceFinder(ResourceFinder finder) { finder_ = std::move(finder); }
  // The built-in stream of a form class; empty when there is none.
  std::vector<std::uint8_t> FindFormResource(std::string_view className) const;
  // Creates a form the application owns: constructs it, reads its built-in stream onto it and
  // runs its OnCreate (an error there goes to the standard error box). The first form created is
  // the main form. An error while reading the built-in stream goes to the caller.
  template <class T>
  T* CreateForm() {
    auto form = std::make_unique<T>(nullptr);
    T* f = form.get();
    forms_.push_back(std::move(form));
    if (!mainForm_) mainForm_ = f;
    InitForm(*f);
    return f;
  }
  TForm* MainForm() const { return mainForm_; }
  // Destroys every form, the last created first (their OnDestroy runs).
  void DestroyForms();

  // ---- messages
  // Posts a quit request to the thread's queue (Terminated() becomes true when it is handled).
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every message pending in the queue; a quit request among them marks the application
  // as terminated.
  void ProcessMessages();
  // Shows the main form and handles messages until a quit request arrives (or, for a backend that
  // cannot receive any more, the queue is empty).
  void Run();

  // ---- errors and boxes
  // The standard error box: the message (with a full stop added by ErrorBoxText), the title as
  // caption, the stop icon and an OK button.
  void HandleException(const std::exception& e);
  // Runs an event handler; an error escaping it goes to HandleException.
  void Guard(const std::function<void()>& handler);
  int MessageBox(TForm* owner, const std::string& text, const std::string& caption, unsigned flags);

 private:
  void InitForm(TForm& form);

  TUiBackend& backend_;
  std::string title_;
  TIcon icon_;
  ResourceFinder finder_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  bool terminated_ = false;
  TApplication* previous_ = nullptr;
};

// The current application; raises when there is none.
TApplication& Application();
// The current application or nullptr.
TApplication* CurrentApplication();

}  // namespace qs
