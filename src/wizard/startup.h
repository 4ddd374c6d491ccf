// Start-up of the wizard: where the payload sits in the program file and how the program decides
// between its built-in form and the payload.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/contract.h"

namespace qs {

class IFileSystem;

// A program file whose file name holds this text (letters a-z in either case) runs on its
// built-in form and ignores any payload.
inline constexpr std::string_view kBuiltInNameMarker = "QUILLSET";

// The title the application has from its start until the wizard form takes its own caption.
inline constexpr std::string_view kApplicationTitle = "Quillset Version 2.0";

// The text of the single top-level node of the user tree.
inline constexpr std::string_view kUsersNodeText = "Users";

// True when the file-name part of the program path (what follows its last "\" or ":") contains
// kBuiltInNameMarker once a-z are turned to upper case. The directory part does not count.
bool IsBuiltInProgramName(std::string_view programPath);

// The payload of a program file: every byte from PayloadOffset to the end (nothing when the file
// is not longer than the stub). The file is opened for reading with sharing allowed to everyone;
// raises EFOpenError with the path when it cannot be opened, EReadError when it cannot be read.
std::vector<std::uint8_t> ReadPayload(IFileSystem& files, const std::string& programPath);

}  // namespace qs
