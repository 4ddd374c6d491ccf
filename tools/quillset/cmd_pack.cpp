// quillset pack IN OUT     writes the compressed container of file IN to OUT
// quillset unpack IN OUT   expands the compressed container IN into OUT
// Both write OUT only once all went well (through a temporary file beside it).
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "core/errors.h"
#include "core/streams.h"
#include "hostio.h"
#include "packer/gcompress.h"

namespace qs::tool {
namespace {

struct Paths {
  std::string in, out;
};

void Pack(const Paths& p) {
  TMemoryStream source(ReadHostFile(p.in, "file"));
  TMemoryStream container;
  try {
    TGCompressStream().CompressStream(source, container, source.Size());
  } catch (const Exception& e) {
    throw Failure{p.in + ": " + e.what()};
  }
  WriteHostFile(p.out, container.Bytes());
}

void Unpack(const Paths& p) {
  TMemoryStream container(ReadHostFile(p.in, "container"));
  const auto& bytes = container.Bytes();
  if (bytes.size() < 7) throw Failure{p.in + ": not a compressed container: shorter than its 7-byte header"};
  // The installer does not look at the signature, so another one expands all the same; a person
  // running this tool still wants to know.
  if (bytes[0] != 'G' || bytes[1] != 'D' || bytes[2] != 'G')
    std::fprintf(stderr, "quillset: %s: warning: it does not start with \"GDG\" (the installer does not check)\n",
                 p.in.c_str());
  TMemoryStream expanded;
  try {
    TGCompressStream().DecompressStream(container, expanded);
  } catch (const EReadError&) {
    throw Failure{p.in + ": the container is cut short: it ends before the chunks its total announces"};
  } catch (const Exception& e) {
    throw Failure{p.in + ": " + e.what()};
  }
  const std::int64_t rest = container.Size() - container.Position();
  if (rest > 0)
    std::fprintf(stderr, "quillset: %s: warning: %lld bytes after the last chunk are ignored\n", p.in.c_str(),
                 static_cast<long long>(rest));
  WriteHostFile(p.out, expanded.Bytes());
}

Command pack([](CLI::App& app) {
  auto paths = std::make_shared<Paths>();
  auto* cmd = app.add_subcommand("pack", "write the compressed container of a file (as packed files store it)");
  cmd->add_option("IN", paths->in, "the file to compress")->required();
  cmd->add_option("OUT", paths->out, "the container to write")->required();
  cmd->callback([paths] { Pack(*paths); });
});

Command unpack([](CLI::App& app) {
  auto paths = std::make_shared<Paths>();
  auto* cmd = app.add_subcommand("unpack", "expand a compressed container into the file it holds");
  cmd->add_option("IN", paths->in, "the container to expand")->required();
  cmd->add_option("OUT", paths->out, "the file to write")->required();
  cmd->callback([paths] { Unpack(*paths); });
});

}  // namespace
}  // namespace qs::tool
