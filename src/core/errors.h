// The runtime's errors. Each carries its final message; the message texts are the installer's
// own (French for the runtime, as users of the original product know them) and are single-byte
// code page 1252 text: "\xE9" is the e-acute of "cr\xE9er".
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace qs {

// Base of every error the installer raises and shows in its standard error box.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Message patterns of the runtime (one %s: a full path).
inline constexpr std::string_view kMsgFOpen = "Impossible d'ouvrir le fichier %s";
inline constexpr std::string_view kMsgFCreate =
    "Impossible de cr\xE9"
    "er le fichier %s";
inline constexpr std::string_view kMsgReadError = "Erreur de lecture du flux";
inline constexpr std::string_view kMsgWriteError =
    "Erreur d'\xE9"
    "criture dans le flux";

class EStreamError : public Exception {
  using Exception::Exception;
};
class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(std::string_view path);
};
class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(std::string_view path);
};
class EReadError : public EStreamError {
 public:
  EReadError();
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
 public:
  EWriteError();
};

// The text of the standard error box: the message, with a full stop added when its last byte
// comes after "." in character order (so "...fichier C:\x" gets one, "done." and "ok!" do not).
std::string ErrorBoxText(std::string_view message);

}  // namespace qs
