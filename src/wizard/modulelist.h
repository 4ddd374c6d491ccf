// The module list file "ILIST.QSP": a 1,024-byte header whose first byte is the format (1),
// then one 1,032-byte TModuleRec per module up to the end of the file. The builder writes it as a
// packed file of the payload; at start-up the wizard turns it into the module tree.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qs {

class TStream;

inline constexpr std::string_view kModuleListName = "ILIST.QSP";
inline constexpr std::size_t kModuleListHeaderSize = 1024;
inline constexpr std::size_t kModuleRecSize = 1032;
inline constexpr std::uint8_t kModuleListFormat = 1;
inline constexpr std::size_t kModuleTextSize = 256;

// Values of TModuleRec::Action.
enum ModuleAction : std::int32_t {
  maInstall = 0,      // handheld: queued; PC file: written into the destination directory
  maRun = 1,          // PC file: written, then run without waiting
  maRunWait = 2,      // PC file: written, then run and waited for
  maQueueAndCopy = 3  // handheld: queued and also copied into the destination directory
};

// The module record, byte for byte as it stands in the file (little-endian integers). Texts end
// at their first zero byte or at the end of the field.
struct TModuleRec {
  char SourcePath[kModuleTextSize];
  std::int32_t MakeShortcut;  // 1: make a Start-menu shortcut to the installed file
  char Title[kModuleTextSize];
  char ProgramGroup[kModuleTextSize];
  std::int32_t Action;  // ModuleAction
  char Group[kModuleTextSize];
};
static_assert(sizeof(TModuleRec) == kModuleRecSize);
static_assert(offsetof(TModuleRec, SourcePath) == 0);
static_assert(offsetof(TModuleRec, MakeShortcut) == 256);
static_assert(offsetof(TModuleRec, Title) == 260);
static_assert(offsetof(TModuleRec, ProgramGroup) == 516);
static_assert(offsetof(TModuleRec, Action) == 772);
static_assert(offsetof(TModuleRec, Group) == 776);

// Whether the installation run treats a module as a handheld file (queued for HotSync) rather
// than a PC file: ".PRC" or ".PDB" anywhere in its upper-cased source path, directories included.
bool IsHandheldFile(std::string_view sourcePath);

// A record with every byte zero.
TModuleRec EmptyModuleRec();

// Fills a text field: the text, then zero bytes to the end of the field. A text of exactly 256
// bytes fills the field with no terminator. Gives false (and leaves the field alone) when the
// text is longer than the field or holds a zero byte, which would cut it short.
bool SetModuleText(char (&field)[kModuleTextSize], std::string_view text);
// The text of a field: up to its first zero byte, or all 256 bytes.
std::string ModuleText(const char (&field)[kModuleTextSize]);

// The record's 1,032 bytes in file order, and back. Independent of the host's byte order.
std::array<std::uint8_t, kModuleRecSize> EncodeModuleRec(const TModuleRec& rec);
TModuleRec DecodeModuleRec(const std::uint8_t* bytes);

// Writes a whole module list file: the header (format byte 1, the other 1,023 bytes zero), then
// the records in order.
void WriteModuleList(TStream& out, const std::vector<TModuleRec>& records);
std::vector<std::uint8_t> ModuleListBytes(const std::vector<TModuleRec>& records);

// The records of a module list file's bytes, as the wizard takes them: nothing when the file is
// shorter than its header or its first byte is not 1; otherwise every whole record after the
// header. A short piece after the last whole record (fewer than 1,032 bytes) is not a module and
// is counted in trailingBytes.
struct ModuleListContents {
  bool accepted = false;
  std::vector<TModuleRec> records;
  std::size_t trailingBytes = 0;
};
ModuleListContents ParseModuleList(const std::uint8_t* data, std::size_t size);

}  // namespace qs
