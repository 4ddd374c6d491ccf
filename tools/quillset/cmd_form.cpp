// quillset form: the component tree of a form stream or of an installer's payload, as text.
// quillset form-compile: the component stream that such a text describes.
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "builder/hostfile.h"
#include "commands.h"
#include "core/errors.h"
#include "core/streams.h"
#include "stream/textform.h"
#include "wizard/startup.h"

namespace qs::tool {
namespace {

std::string ReadFile(const std::string& path) {
  auto bytes = ReadWholeFile(path);
  if (!bytes) throw Failure{"cannot read " + path};
  return std::string(bytes->begin(), bytes->end());
}

struct DumpOptions {
  std::string file;
  std::int64_t offset = -1;
};

void Dump(const DumpOptions& o) {
  const std::string bytes = ReadFile(o.file);
  // A stream starts with its signature; anything else is taken for an installer, whose payload
  // starts right after the stub.
  std::int64_t offset = o.offset;
  if (offset < 0) offset = bytes.compare(0, 4, "TPF0") == 0 ? 0 : PayloadOffset;
  if (offset > static_cast<std::int64_t>(bytes.size()))
    throw Failure{o.file + ": shorter than " + std::to_string(offset) + " bytes: no payload"};
  TMemoryStream in(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  in.SetPosition(offset);
  std::string text;
  try {
    DumpComponentStream(in, text);
  } catch (const Exception& e) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    throw Failure{o.file + ": " + e.what() + " (at byte " + std::to_string(in.Position()) + ")"};
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  const std::int64_t rest = in.Size() - in.Position();
  if (rest > 0)
    std::fprintf(stderr, "quillset: %s: %lld bytes after the root object are not part of the stream\n", o.file.c_str(),
                 static_cast<long long>(rest));
}

struct CompileOptions {
  std::string input, output;
};

void Compile(const CompileOptions& o) {
  const std::string text = ReadFile(o.input);
  TMemoryStream out;
  try {
    TextToComponentStream(text, out);
  } catch (const ETextFormError& e) {
    throw Failure{o.input + ": " + e.what()};
  }
  std::ofstream file(o.output, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(out.Data()), static_cast<std::streamsize>(out.Bytes().size()));
  if (!file) throw Failure{"cannot write " + o.output};
}

Command form([](CLI::App& app) {
  auto opts = std::make_shared<DumpOptions>();
  auto* cmd = app.add_subcommand(
      "form", "print the components of a form stream (a file starting with TPF0) or of an installer's payload");
  cmd->add_option("file", opts->file, "the stream or the installer")->required();
  cmd->add_option("--offset", opts->offset, "read the stream from this byte instead")->check(CLI::NonNegativeNumber);
  cmd->callback([opts] { Dump(*opts); });
});

Command formCompile([](CLI::App& app) {
  auto opts = std::make_shared<CompileOptions>();
  auto* cmd =
      app.add_subcommand("form-compile", "write the form stream that a text form (as printed by form) describes");
  cmd->add_option("text", opts->input, "the text form")->required();
  cmd->add_option("output", opts->output, "the stream file to write")->required();
  cmd->callback([opts] { Compile(*opts); });
});

}  // namespace
}  // namespace qs::tool
