#include "wizard/contract.h"

#include <string>

#include "core/text.h"

namespace qs {

bool IsRuntimeModuleDescription(std::string_view description) {
  return description.find(kRuntimeMarker) != std::string_view::npos;
}

bool IsHandheldFile(std::string_view sourcePath) {
  const std::string upper = UpperAZ(sourcePath);
  return upper.find(kHandheldApplication) != std::string::npos || upper.find(kHandheldDatabase) != std::string::npos;
}

}  // namespace qs
