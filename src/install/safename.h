// Module file names come from the payload, that is from outside. Before the installation run joins
// one to a directory (the destination, the program directory or a user's install folder) it checks
// that the name stays a plain file name in that directory.
#pragma once
#include <string>
#include <string_view>

#include "core/errors.h"

namespace qs {

inline constexpr std::string_view kMsgBadModuleName = "Nom de fichier incorrect pour le module '%s'";

class EBadFileName : public Exception {
  using Exception::Exception;
};

// True when name, put after a directory and its separator, names a file in that directory and
// nothing else: not empty; no "\", "/" or ":"; no control characters or < > " | ? *; not made of
// dots and blanks only ("", ".", "..", ". ."); not a device name (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$, CLOCK$), with or without an extension, in any case.
bool IsSafeFileName(std::string_view name);

// The file-name part of a module's source path, checked; raises EBadFileName with the source path
// when it is not a safe file name.
std::string ModuleFileName(std::string_view sourcePath);

}  // namespace qs
