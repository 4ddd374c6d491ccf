#include "wizard/selfext.h"

#include <exception>
#include <string>
#include <utility>

#include "core/errors.h"
#include "platform/platform.h"
#include "wizard/startup.h"
#include "wizard/unitext.h"

namespace qs {

SelfExtProgram::SelfExtProgram(TUiBackend& backend, Platform& platform, TApplication::ResourceFinder findResource)
    : app_(backend), platform_(platform), previousHost_(HostSlot()) {
  previousHook_ = std::move(platform_.processMessages);
  platform_.processMessages = [this] { app_.ProcessMessages(); };
  SetHost(&platform_);
  app_.SetResourceFinder(std::move(findResource));
}

SelfExtProgram::~SelfExtProgram() {
  app_.DestroyForms();
  SetHost(previousHost_);
  platform_.processMessages = std::move(previousHook_);
}

TFormTools* SelfExtProgram::CreateWizard() {
  app_.SetTitle(std::string(kApplicationTitle));
  try {
    if (app_.FindFormResource(TFormTools::StaticInfo().name).empty())
      throw Exception("The program's built-in form TFORMTOOLS is missing");
    form_ = app_.CreateForm<TFormTools>();
  } catch (const std::exception& e) {
    app_.HandleException(e);
    app_.DestroyForms();
    form_ = nullptr;
  }
  return form_;
}

int SelfExtProgram::Run() {
  if (!form_) return 1;
  app_.Run();
  app_.DestroyForms();
  form_ = nullptr;
  return 0;
}

int SelfExt(TUiBackend& backend, Platform& platform, TApplication::ResourceFinder findResource) {
  SelfExtProgram program(backend, platform, std::move(findResource));
  program.CreateWizard();
  return program.Run();
}

}  // namespace qs
