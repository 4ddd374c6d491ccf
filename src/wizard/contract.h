// The payload contract: what the installer takes from a payload, and so what every builder of
// payloads must agree on - where the payload starts, the names of the files, options and labels
// the installer looks up, the group names of the module tree and which modules are handheld
// files. The installer's own code uses these as they stand here; a builder checks a product
// against the same ones.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qs {

// The payload starts at this byte of the program file: the stub's own length. Nothing else
// locates it; it runs to the end of the file.
inline constexpr std::int64_t PayloadOffset = 629760;

// The conduit's files, which the installation run extracts from the payload by these names.
inline constexpr std::string_view kConduitLibraryName = "VEVORO20.DLL";
inline constexpr std::string_view kConduitToolName = "CONDREG.EXE";

// A packed file whose description holds this marker (in this letter case) is offered as a runtime
// module.
inline constexpr std::string_view kRuntimeMarker = "DORUVU";
bool IsRuntimeModuleDescription(std::string_view description);

// The group of the modules whose group text is blank, and the group of the runtime modules.
inline constexpr std::string_view kGeneralGroup = "General";
inline constexpr std::string_view kRuntimeGroup = "Runtime";

// A module is a handheld file when these appear anywhere in its upper-cased source path, the
// directories included.
inline constexpr std::string_view kHandheldApplication = ".PRC";
inline constexpr std::string_view kHandheldDatabase = ".PDB";
bool IsHandheldFile(std::string_view sourcePath);

// The option check boxes of the hidden options page.
inline constexpr std::array<std::string_view, 5> kOptionNames = {"Copyright", "Welcome", "AutoInstallFirstUser",
                                                                 "CKInstallDoviConduit", "CKDisplaySelectDirectory"};
// Labels, buttons and frames on the wizard's pages whose captions a product may change.
inline constexpr std::array<std::string_view, 21> kPageTextNames = {
    "Label1", "Label2", "Label3",  "Label4",  "Label5",  "Label6",  "Label7",
    "Label8", "Label9", "Label10", "Label11", "Label12", "Label13", "GroupBox1",
    "BPrev",  "BNext",  "BCancel", "Button1", "Button2", "Button3", "Button4"};
// The message labels: texts and captions of the wizard's message boxes.
inline constexpr std::array<std::string_view, 8> kMessageNames = {
    "idErrorDirectory", "idAttention", "idExit", "idStop", "idSelectUser", "idUser", "idDesktopAsk", "idDesktop"};
// The number labels, carried but never read by the installer.
inline constexpr std::array<std::string_view, 3> kNumberNames = {"MaxStdFile", "MaxStdFileInArchive", "MaxStdFile2"};

// The components the wizard works with once the payload is on the form: a payload that lacks one
// of them (or has it as another kind of component) is refused. idDesktopAsk and idDesktop are not
// among them: the start-up question reads them before the payload is applied, from the built-in
// form, and a payload's are never shown.
// clang-format off
inline constexpr std::array<std::string_view, 25> kRequiredComponents = {
    "PackFiles1", "BPrev", "BNext", "BCancel", "Notebook1", "MemoWelcome", "DirectoryEdit1", "Copyright", "Welcome",
    "AutoInstallFirstUser", "CKInstallDoviConduit", "Tree1", "ProgressBar1", "LabelInfo", "idErrorDirectory",
    "idAttention", "idExit", "idStop", "CkUserList", "LbUser", "idSelectUser", "idUser", "ExecFile1",
    "CKDisplaySelectDirectory", "Image2"};
// clang-format on

// A message box shows at most this many bytes of a message label's caption: the message buffers
// hold this many and a terminating zero byte.
inline constexpr std::size_t kMaxMessageText = 1023;

}  // namespace qs
