// SelfExt: the program entry, whatever shows the windows. The Windows program calls it with its
// real platform and window backend (after initialising COM for the thread); tests and tools call it
// with the portable platform and the headless backend.
#pragma once
#include <functional>

#include "ui/application.h"

namespace qs {

struct Platform;
class TUiBackend;
class TFormTools;

// One run of the installer program, in two steps: CreateWizard, then Run.
//
// While it exists, platform is the host of the run (Host()) and platform.processMessages handles
// the thread's pending messages through the application; the previous host and hook come back
// when it is destroyed, after the forms (so FormDestroy still sees the host).
class SelfExtProgram {
 public:
  // Initialises the application on backend, with findResource as the source of built-in forms
  // (given "TFORMTOOLS", the built-in form's component stream).
  SelfExtProgram(TUiBackend& backend, Platform& platform, TApplication::ResourceFinder findResource);
  ~SelfExtProgram();
  SelfExtProgram(const SelfExtProgram&) = delete;
  SelfExtProgram& operator=(const SelfExtProgram&) = delete;

  // Sets the title "Quillset Version 2.0" and creates the wizard form from its built-in form as
  // the main form, which runs FormCreate (an error there has been shown in the standard error box;
  // the form lives on). Nullptr, after the error box, when the built-in form is missing or
  // cannot be read.
  TFormTools* CreateWizard();
  // Runs the event loop until a quit request arrives or the main form closes, then destroys the
  // forms (FormDestroy runs). Gives the exit code: 0, or 1 when there was no wizard form.
  int Run();

  TApplication& App() { return app_; }

 private:
  TApplication app_;
  Platform& platform_;
  Platform* previousHost_;
  std::function<void()> previousHook_;
  TFormTools* form_ = nullptr;
};

// The whole program: CreateWizard, then Run. Gives Run's exit code.
int SelfExt(TUiBackend& backend, Platform& platform, TApplication::ResourceFinder findResource);

}  // namespace qs
