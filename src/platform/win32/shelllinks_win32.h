// The shell's link object through COM. COM must be initialised on the calling thread.
#pragma once
#include "platform/shelllinks.h"

namespace qs {

class Win32ShellLinks : public IShellLinks {
 public:
  std::unique_ptr<ILinkObject> CreateLink() override;
};

// The system's text for an error code (FormatMessageA), without its trailing blanks, line ends and
// full stop; empty when the system has none.
std::string SystemErrorText(std::uint32_t code);

}  // namespace qs
