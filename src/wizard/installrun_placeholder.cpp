// Stand-in for the installation run until the run itself is in place: it installs nothing and
// only ends as the run ends, by moving the wizard on with the Sender it was given.
#include "wizard/unitext.h"

namespace qs {

void TFormTools::RunInstallation(TPersistent* Sender) { BNextClick(Sender); }

}  // namespace qs
