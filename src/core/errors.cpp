#include "core/errors.h"

#include "core/text.h"

namespace qs {

EFOpenError::EFOpenError(std::string_view path) : EStreamError(Format(kMsgFOpen, path)) {}
EFCreateError::EFCreateError(std::string_view path) : EStreamError(Format(kMsgFCreate, path)) {}
EReadError::EReadError() : EStreamError(std::string(kMsgReadError)) {}
EWriteError::EWriteError() : EStreamError(std::string(kMsgWriteError)) {}

std::string ErrorBoxText(std::string_view message) {
  std::string r(message);
  if (!r.empty() && static_cast<unsigned char>(r.back()) > static_cast<unsigned char>('.')) r += '.';
  return r;
}

}  // namespace qs
