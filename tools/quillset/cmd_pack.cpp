// quillset pack IN OUT     writes the compressed container of file IN to OUT
// quillset unpack IN OUT   expands the compressed container IN into OUT
// Both write OUT only once all went well (through a temporary file beside it).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

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

// Both commands go chunk by chunk from file to file (the chunks are independent), so that only a
// chunk's work areas and the file buffers are held, whatever the file's size.
void Pack(const Paths& p) {
  THostFileStream source(p.in, "rb");
  std::error_code ec;
  const auto size = std::filesystem::file_size(p.in, ec);
  if (!source.IsOpen() || ec) throw Failure{"cannot read the file '" + p.in + "'"};
  THostOutput out(p.out);
  try {
    TGCompressStream().CompressStream(source, out.Stream(), static_cast<std::int64_t>(size));
  } catch (const EWriteError&) {
    throw Failure{"cannot write '" + p.out + "'"};
  } catch (const Exception& e) {
    throw Failure{p.in + ": " + e.what()};
  }
  out.Commit();
}

void Unpack(const Paths& p) {
  THostFileStream container(p.in, "rb");
  std::error_code ec;
  const auto size = std::filesystem::file_size(p.in, ec);
  if (!container.IsOpen() || ec) throw Failure{"cannot read the container '" + p.in + "'"};
  // The installer does not look at the signature, so another one expands all the same; a person
  // running this tool still wants to know.
  std::uint8_t head[7];
  if (size < sizeof head || container.Read(head, sizeof head) != sizeof head)
    throw Failure{p.in + ": not a compressed container: shorter than its 7-byte header"};
  if (head[0] != 'G' || head[1] != 'D' || head[2] != 'G')
    std::fprintf(stderr, "quillset: %s: warning: it does not start with \"GDG\" (the installer does not check)\n",
                 p.in.c_str());
  container.SetPosition(0);
  THostOutput out(p.out);
  try {
    TGCompressStream().DecompressStream(container, out.Stream());
  } catch (const EReadError&) {
    throw Failure{p.in + ": the container is cut short: it ends before the chunks its total announces"};
  } catch (const EWriteError&) {
    throw Failure{"cannot write '" + p.out + "'"};
  } catch (const Exception& e) {
    throw Failure{p.in + ": " + e.what()};
  }
  const std::int64_t rest = static_cast<std::int64_t>(size) - container.Position();
  if (rest > 0)
    std::fprintf(stderr, "quillset: %s: warning: %lld bytes after the last chunk are ignored\n", p.in.c_str(),
                 static_cast<long long>(rest));
  out.Commit();
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
