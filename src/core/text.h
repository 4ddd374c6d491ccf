// Single-byte text helpers. All text in the installer is ANSI (code page 1252) bytes held in
// std::string; nothing is converted, and only the ASCII letters a-z ever change case.
#pragma once
#include <string>
#include <string_view>

namespace qs {

// a-z to A-Z; every other byte (accented letters included) stays as it is.
std::string UpperAZ(std::string_view s);
// ASCII-only case-insensitive equality (class, property and component names).
bool SameTextAZ(std::string_view a, std::string_view b);
// Removes leading and trailing bytes with codes 0 to 32.
std::string Trim(std::string_view s);
// True when the text is empty or made only of codes 0 to 32.
bool IsBlank(std::string_view s);
// What follows the last "\" or ":" of a Windows path ("C:\a\b.prc" -> "b.prc", "C:x" -> "x").
std::string FileNamePart(std::string_view path);
// The path up to and including its last "\" or ":" ("" when it has none).
std::string DirectoryPart(std::string_view path);
// A directory text completed with a trailing separator: "" stays "", a text ending in ":" or "\"
// stays as it is, a single letter becomes "X:\", anything else gets "\" appended.
std::string WithTrailingSeparator(std::string_view dir);
// The text of a fixed, zero-terminated field: up to the first zero byte or the end of the field.
std::string FixedField(const void* field, std::size_t size);
// printf-style formatting of one %s (or %d) argument, for the runtime's message patterns.
std::string Format(std::string_view pattern, std::string_view arg);

}  // namespace qs
