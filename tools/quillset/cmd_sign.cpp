// quillset sign SETUP.exe --cert CERT.pfx [--password-file F] [--timestamp-url U] [-o OUT]
// Signs an installer as a whole with Authenticode (osslsigncode), in place unless -o is given.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "builder/builder.h"
#include "commands.h"
#include "hostio.h"
#include "signing.h"

extern char** environ;

namespace qs::tool {

namespace {

namespace fs = std::filesystem;

struct Run {
  int status = -1;  // -1: the program could not be started
  std::string output;
};

// Runs a program found on PATH with its standard output and error caught in a temporary file.
Run RunProgram(const std::vector<std::string>& args) {
  Run r;
  char temp[] = "/tmp/quillset-run-XXXXXX";
  int fd = mkstemp(temp);
  if (fd < 0) return r;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fd, STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fd);
  if (rc == 0) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    if (auto bytes = ReadWholeFile(temp)) r.output.assign(bytes->begin(), bytes->end());
  }
  unlink(temp);
  return r;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// The program's output as lines without their leading blanks, empty lines left out.
std::vector<std::string> Lines(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < output.size()) {
    std::size_t end = output.find('\n', at);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(at, end - at);
    line.erase(0, line.find_first_not_of(" \t"));
    if (!line.empty()) lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// What follows `key` in the first line that holds it.
std::string Field(const std::string& output, const std::string& key) {
  for (const std::string& line : Lines(output)) {
    auto at = line.find(key);
    if (at == std::string::npos) continue;
    std::string rest = line.substr(at + key.size());
    rest.erase(0, rest.find_first_not_of(" \t"));
    return rest;
  }
  return "";
}

std::string LastLines(const std::string& output, std::size_t count) {
  auto lines = Lines(output);
  std::string s;
  for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i)
    s += (s.empty() ? "" : "\n") + lines[i];
  return s;
}

}  // namespace

void AddSignOptions(CLI::App& cmd, SignOptions& o) {
  cmd.add_option("--password-file", o.passwordFile, "A file holding the certificate file's password")
      ->check(CLI::ExistingFile);
  cmd.add_option("--timestamp-url", o.timestampUrl, "An RFC 3161 time-stamp server that countersigns the signature");
}

void SignInstaller(const std::string& in, const std::string& out, const SignOptions& o) {
  std::string part = out + ".signing";
  std::vector<std::string> args = {"osslsigncode", "sign", "-pkcs12", o.certificate, "-h", "sha256"};
  if (!o.passwordFile.empty()) args.insert(args.end(), {"-readpass", o.passwordFile});
  if (!o.timestampUrl.empty()) args.insert(args.end(), {"-ts", o.timestampUrl});
  args.insert(args.end(), {"-in", in, "-out", part});
  Run r = RunProgram(args);
  std::error_code ec;
  if (r.status == -1) throw Failure{"cannot sign: osslsigncode is not installed (Debian: apt install osslsigncode)"};
  if (r.status != 0 || !fs::is_regular_file(part, ec)) {
    fs::remove(part, ec);
    throw Failure{"signing '" + in + "' with '" + o.certificate + "' failed:\n" + LastLines(r.output, 3)};
  }
  fs::rename(part, out, ec);
  if (ec) {
    fs::remove(part, ec);
    throw Failure{"cannot write '" + out + "'"};
  }
}

std::optional<CertificateTable> FindCertificateTable(const std::vector<std::uint8_t>& b) {
  if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return std::nullopt;
  std::size_t pe = U32(b, 0x3C);
  if (pe + 24 + 2 > b.size() || U32(b, pe) != 0x00004550) return std::nullopt;  // "PE\0\0"
  std::size_t opt = pe + 24;
  unsigned magic = b[opt] | b[opt + 1] << 8;
  std::size_t countAt = magic == 0x10B ? opt + 92 : magic == 0x20B ? opt + 108 : 0;
  if (!countAt || countAt + 4 + 5 * 8 > b.size() || U32(b, countAt) < 5) return std::nullopt;
  std::size_t security = countAt + 4 + 4 * 8;  // data directory 4
  CertificateTable t{U32(b, security), U32(b, security + 4)};
  if (t.size == 0 || t.offset == 0) return std::nullopt;
  return t;
}

SignatureState CheckSignature(const std::string& path, const std::vector<std::uint8_t>& file,
                              const std::string& caFile) {
  SignatureState s;
  s.isSigned = FindCertificateTable(file).has_value();
  if (!s.isSigned) return s;
  std::vector<std::string> args = {"osslsigncode", "verify", "-in", path};
  if (!caFile.empty()) args.insert(args.end(), {"-CAfile", caFile});
  Run r = RunProgram(args);
  if (r.status == -1) {
    s.reason = "osslsigncode is not installed, so it was not checked";
    return s;
  }
  s.subject = Field(r.output, "Subject:");
  s.digestMismatch = r.output.find("MISMATCH") != std::string::npos;
  s.verifies = r.status == 0 && !s.digestMismatch;
  if (s.digestMismatch)
    s.reason = "the file was changed after it was signed";
  else if (!s.verifies) {
    std::string error = Field(r.output, "Verify error:");
    s.reason = error.empty() ? LastLines(r.output, 1) : error;
  }
  return s;
}

std::string Describe(const SignatureState& s) {
  if (!s.isSigned) return "none";
  std::string d = "signed by " + (s.subject.empty() ? std::string("an unknown signer") : s.subject);
  return d + (s.verifies ? ", verifies" : ", does not verify: " + s.reason);
}

namespace {

Command sign([](CLI::App& app) {
  struct Opts {
    std::string installer, output;
    SignOptions sign;
  };
  auto o = std::make_shared<Opts>();
  auto* cmd = app.add_subcommand("sign", "Sign an installer (stub and payload) with Authenticode");
  cmd->add_option("installer", o->installer, "The installer (SETUP.exe)")->required();
  cmd->add_option("--cert", o->sign.certificate, "The code-signing certificate and key (PKCS#12, .pfx)")
      ->required()
      ->check(CLI::ExistingFile);
  AddSignOptions(*cmd, o->sign);
  cmd->add_option("-o,--output", o->output, "Where to write the signed installer (default: in place)");
  cmd->callback([o] {
    try {
      PayloadOf(ReadHostFile(o->installer, "installer"));
    } catch (const BuildError& e) {
      throw Failure{o->installer + ": " + e.what()};
    }
    std::string out = o->output.empty() ? o->installer : o->output;
    SignInstaller(o->installer, out, o->sign);
    std::printf("%s: signed\n", out.c_str());
  });
});

}  // namespace
}  // namespace qs::tool
