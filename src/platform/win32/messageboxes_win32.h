// Message boxes through MessageBoxA.
#pragma once
#include "platform/platform.h"

namespace qs {

class Win32MessageBoxes : public IMessageBoxes {
 public:
  int Show(std::uintptr_t owner, const std::string& text, const std::string& caption, unsigned flags) override;
};

}  // namespace qs
