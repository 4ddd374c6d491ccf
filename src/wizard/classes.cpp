#include "wizard/classes.h"

#include "install/execfile.h"
#include "packer/gpackfiles.h"
#include "ui/notebook.h"

namespace qs {

void RegisterInstallerClasses() {
  RegisterUiClasses();
  RegisterPackerClasses();
  RegisterInstallClasses();
}

}  // namespace qs
