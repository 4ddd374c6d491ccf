#include "install/safename.h"

#include <array>

#include "core/text.h"

namespace qs {

namespace {

// The name the system sees for a device check: up to the first dot, without trailing blanks.
std::string DeviceStem(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && (stem.back() == ' ')) stem.pop_back();
  return UpperAZ(stem);
}

bool IsDeviceName(std::string_view name) {
  static constexpr std::array<std::string_view, 7> devices = {"CON",    "PRN",     "AUX",   "NUL",
                                                              "CONIN$", "CONOUT$", "CLOCK$"};
  const std::string stem = DeviceStem(name);
  for (std::string_view d : devices)
    if (stem == d) return true;
  // COM0-9 and LPT0-9, also with the superscript digits the system counts among them.
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)) {
    const auto c = static_cast<unsigned char>(stem[3]);
    return (c >= '0' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3;
  }
  return false;
}

}  // namespace

bool IsSafeFileName(std::string_view name) {
  if (name.empty()) return false;
  bool onlyDotsAndBlanks = true;
  for (unsigned char c : name) {
    if (c < 32 || c == '\\' || c == '/' || c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' ||
        c == '*')
      return false;
    if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
  }
  if (onlyDotsAndBlanks) return false;
  return !IsDeviceName(name);
}

std::string ModuleFileName(std::string_view sourcePath) {
  std::string name = FileNamePart(sourcePath);
  if (!IsSafeFileName(name)) throw EBadFileName(Format(kMsgBadModuleName, sourcePath));
  return name;
}

}  // namespace qs
