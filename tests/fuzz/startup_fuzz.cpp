// The wizard's start-up as the program runs it, on a program file made from the input. The first
// byte chooses what the rest is: even, the payload after the stub; odd, the module list file
// inside a payload made from the built-in form. Any bytes end in a wizard or an error box, never
// in a crash, and nothing is left beside the program.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/streams.h"
#include "platform/portable/host.h"
#include "stream/reader.h"
#include "stream/writer.h"
#include "ui/headless/headless.h"
#include "wizard/builtinform.h"
#include "wizard/classes.h"
#include "wizard/selfext.h"
#include "wizard/startup.h"
#include "wizard/unitext.h"

namespace {

std::vector<std::uint8_t> BuiltIn() {
  auto s = qs::BuiltInFormTools();
  return {s.begin(), s.end()};
}

// A payload from the built-in form whose module list is the given bytes (stored, not compressed).
std::vector<std::uint8_t> PayloadWithList(const std::uint8_t* list, std::size_t size) {
  qs::TFormTools model(nullptr);
  qs::TMemoryStream in(BuiltIn());
  qs::ReadComponentStream(in, model);
  qs::TFileItem& item = *model.PackFiles1->Items().AddItem();
  item.SetName("ILIST.QSP");
  item.Compress = false;
  if (size) item.Data().WriteBuffer(list, size);
  item.SetDescription("");
  qs::TFileItem& runtime = *model.PackFiles1->Items().AddItem();
  runtime.SetName("RUNTIME.DLL");
  runtime.SetDescription("DORUVU");
  runtime.Compress = false;
  qs::TMemoryStream out;
  qs::WriteComponentStream(out, model);
  return out.Bytes();
}

// The drive C of the runs: a folder of this process, removed when it ends.
struct Drive {
  Drive() {
    auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                    : std::filesystem::temp_directory_path();
    path = base / ("qs-fuzz-startup-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path / "Apps");
  }
  ~Drive() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

const std::filesystem::path& Root() {
  static const Drive drive;
  return drive.path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qs::RegisterInstallerClasses();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::uint8_t> payload =
      (data[0] & 1) ? PayloadWithList(data + 1, size - 1) : std::vector<std::uint8_t>(data + 1, data + size);

  const auto program = Root() / "Apps" / "Setup.exe";
  {
    std::ofstream f(program, std::ios::binary | std::ios::trunc);
    std::vector<char> stub(static_cast<std::size_t>(qs::PayloadOffset), '\0');
    f.write(stub.data(), static_cast<std::streamsize>(stub.size()));
    f.write(reinterpret_cast<const char*>(payload.data()), static_cast<std::streamsize>(payload.size()));
  }

  qs::PortableHost host("C:\\Apps\\Setup.exe");
  host.files.MapDrive('C', Root());
  // The Palm Desktop is there, without users: no start-up question.
  host.registry.SetString("Software\\U.S. Robotics\\Pilot Desktop\\Core", "Path", "C:\\Palm");
  qs::THeadlessBackend backend;
  backend.onUnexpected = [](const std::string&) {};  // every box is answered OK / No
  {
    qs::SelfExtProgram run(backend, host.platform, [](std::string_view name) {
      return name == "TFORMTOOLS" ? BuiltIn() : std::vector<std::uint8_t>{};
    });
    if (qs::TFormTools* form = run.CreateWizard()) {
      // Select all and Unselect all on the module page and the user page; Back.
      for (int page : {3, 4}) {
        if (form->Notebook1) form->Notebook1->SetPageIndex(page);
        form->Button1Click(form);
        form->Button2Click(form);
        form->BPrevClick(form);
      }
      form->BCancelClick(form);
    }
  }
  if (std::filesystem::exists(Root() / "Apps" / "ILIST.QSP")) __builtin_trap();
  return 0;
}
