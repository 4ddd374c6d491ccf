// quillset extract SETUP.exe NAME [-o FILE]        one packed file, found by name as the installer
//                                                  finds it
// quillset extract SETUP.exe --all [-d DIR]        every packed file, expanded, under its stored name
//
// Stored names come from the installer, that is from outside: a name is written only when it is a
// plain file name on the host (the installer's own test of module file names), into the folder and
// nowhere else. Files are opened without following symbolic links and written under a temporary
// name first, so that nothing half-written is ever left under a real name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "builder/builder.h"
#include "builder/manifest.h"
#include "commands.h"
#include "core/errors.h"
#include "core/text.h"
#include "hostio.h"
#include "install/safename.h"
#include "progress.h"
#include "wizard/unitext.h"

namespace qs::tool {
namespace {

std::unique_ptr<TFormTools> LoadForm(const std::string& path) {
  std::vector<std::uint8_t> bytes = ReadHostFile(path, "installer");
  try {
    auto form = ReadPayload(PayloadOf(bytes));
    if (!form->PackFiles1) throw Failure{path + ": the form has no PackFiles1, so no packed files"};
    return form;
  } catch (const BuildError& e) {
    throw Failure{path + ": " + e.what()};
  } catch (const Exception& e) {
    throw Failure{path + ": the payload cannot be read: " + Cp1252ToUtf8(e.what())};
  } catch (const std::exception& e) {
    throw Failure{path + ": the payload cannot be read: " + std::string(e.what())};
  }
}

// A folder that files are written into by name, never through a symbolic link.
class OutputFolder {
 public:
  explicit OutputFolder(const std::string& dir) : dir_(dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    fd_ = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw Failure{"cannot open the folder '" + dir + "': " + std::strerror(errno)};
  }
  ~OutputFolder() { close(fd_); }
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  enum class Result { Written, Kept };

  // Writes bytes as the file `name` (a plain file name) of the folder. An existing file is kept
  // unless replace; a symbolic link or folder of that name is refused either way.
  Result Write(const std::string& name, const std::vector<std::uint8_t>& bytes, bool replace) {
    const std::string where = "'" + name + "' in '" + dir_ + "'";
    struct stat st {};
    if (fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      if (S_ISLNK(st.st_mode)) throw Failure{where + " is a symbolic link; it is not followed"};
      if (!S_ISREG(st.st_mode)) throw Failure{where + " exists and is not a file"};
      if (!replace) return Result::Kept;
    }
    const std::string temp = ".quillset-" + std::to_string(getpid()) + "-" + std::to_string(++count_) + ".part";
    int out = openat(fd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0) throw Failure{"cannot write " + where + ": " + std::strerror(errno)};
    std::size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = write(out, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    const int error = done < bytes.size() ? errno : 0;
    if (close(out) != 0 || done < bytes.size()) {
      unlinkat(fd_, temp.c_str(), 0);
      throw Failure{"cannot write " + where + ": " + std::strerror(error ? error : EIO)};
    }
    // Without replace, a hard link puts the file in place only when the name is still free.
    int rc = replace ? renameat(fd_, temp.c_str(), fd_, name.c_str()) : linkat(fd_, temp.c_str(), fd_, name.c_str(), 0);
    const int linkError = errno;
    if (!replace || rc != 0) unlinkat(fd_, temp.c_str(), 0);
    if (rc != 0 && !replace && linkError == EEXIST) return Result::Kept;
    if (rc != 0) throw Failure{"cannot write " + where + ": " + std::strerror(linkError)};
    return Result::Written;
  }

 private:
  std::string dir_;
  int fd_ = -1;
  unsigned count_ = 0;
};

// A stored name for a message: control characters as \xNN.
std::string Shown(const std::string& stored) {
  std::string out;
  for (char c : Cp1252ToUtf8(stored)) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
      out += c;
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
    out += hex;
  }
  return out;
}

// The host name of a stored name, or an explanation of why it is not a plain file name.
std::string HostName(const std::string& stored, std::string* why) {
  if (!IsSafeFileName(stored)) {
    *why = "'" + Shown(stored) + "' is not a plain file name; refused";
    return {};
  }
  return Cp1252ToUtf8(stored);
}

// The default folder of --all: the installer's file name without ".exe".
std::string DefaultFolder(const std::string& installer) {
  std::string name = std::filesystem::path(installer).filename().string();
  if (name.size() > 4 && SameTextAZ(name.substr(name.size() - 4), ".EXE")) return name.substr(0, name.size() - 4);
  return name + ".files";
}

struct Options {
  std::string path, name, output, dir;
  bool all = false, force = false, quiet = false;
};

void RunAll(const Options& o) {
  auto form = LoadForm(o.path);
  TFileCollection& items = form->PackFiles1->Items();
  const std::string dir = o.dir.empty() ? DefaultFolder(o.path) : o.dir;
  std::uint64_t total = 0;
  for (int i = 0; i < items.Count(); ++i) total += static_cast<std::uint64_t>(items.Items(i)->Data().Size());

  OutputFolder folder(dir);
  Progress progress("extract", static_cast<std::uint64_t>(items.Count()), total, o.quiet);
  int written = 0, kept = 0, refused = 0;
  std::vector<std::string> notes;
  for (int i = 0; i < items.Count(); ++i) {
    TFileItem& item = *items.Items(i);
    const std::uint64_t size = static_cast<std::uint64_t>(item.Data().Size());
    std::string why;
    std::string name = HostName(item.Name(), &why);
    bool shadowed = false;
    for (int j = 0; j < i && !shadowed; ++j) shadowed = SameTextAZ(items.Items(j)->Name(), item.Name());
    if (name.empty()) {
      ++refused;
      notes.push_back(why);
    } else if (shadowed) {
      notes.push_back("'" + name + "' again (packed file " + std::to_string(i + 1) +
                      "): skipped, the installer only ever hands out the first of that name");
    } else if (folder.Write(name, item.Data().Bytes(), o.force) == OutputFolder::Result::Kept) {
      ++kept;
      notes.push_back("'" + name + "' exists in '" + dir + "': kept (--force replaces it)");
    } else {
      ++written;
      if (!o.quiet) std::printf("%10llu  %s\n", static_cast<unsigned long long>(size), name.c_str());
    }
    progress.Advance(1, size);
  }
  progress.Finish();
  for (const std::string& n : notes) std::fprintf(stderr, "quillset: %s: %s\n", o.path.c_str(), n.c_str());
  if (!o.quiet) std::printf("%s: %d files written, %d kept\n", dir.c_str(), written, kept);
  if (refused) throw Failure{o.path + ": " + std::to_string(refused) + " packed file name(s) refused"};
}

void RunOne(const Options& o) {
  auto form = LoadForm(o.path);
  std::string key;
  try {
    key = Utf8ToCp1252(o.name, "the name");
  } catch (const BuildError& e) {
    throw Failure{e.what()};
  }
  TFileCollection& items = form->PackFiles1->Items();
  TFileItem* item = nullptr;
  for (int i = 0; i < items.Count() && !item; ++i)
    if (SameTextAZ(items.Items(i)->Name(), key)) item = items.Items(i);
  // The installer would hand out an empty file; a person asking for a file wants to know.
  if (!item) throw Failure{o.path + ": no packed file is called '" + o.name + "' (see quillset list)"};
  const std::vector<std::uint8_t>& bytes = item->Data().Bytes();
  if (!o.output.empty()) {
    WriteHostFile(o.output, bytes);
    std::printf("%s: %zu bytes\n", o.output.c_str(), bytes.size());
    return;
  }
  // Without -o the name asked for (the stored name but for the case of a-z) is the file's name in
  // the current folder, under the same rule as --all.
  std::string why;
  if (HostName(key, &why).empty()) throw Failure{o.path + ": " + why + " (give -o FILE)"};
  const std::string& name = o.name;
  OutputFolder folder(".");
  if (folder.Write(name, bytes, o.force) == OutputFolder::Result::Kept)
    throw Failure{"'" + name + "' exists: kept (--force replaces it, -o writes elsewhere)"};
  std::printf("%s: %zu bytes\n", name.c_str(), bytes.size());
}

Command extract([](CLI::App& app) {
  auto o = std::make_shared<Options>();
  auto* cmd = app.add_subcommand("extract", "Write one packed file of an installer, or all of them (--all)");
  cmd->add_option("installer", o->path, "The installer (SETUP.exe)")->required();
  auto* name = cmd->add_option("name", o->name, "The packed file's name (letter case of a-z does not matter)");
  auto* output = cmd->add_option("-o,--output", o->output, "Where to write it (default: its stored name, here)");
  auto* all = cmd->add_flag("--all", o->all, "Every packed file, expanded, under its stored name");
  auto* dir = cmd->add_option("-d,--dir", o->dir, "The folder for --all (default: the installer's name without .exe)");
  cmd->add_flag("--force", o->force, "Replace files that exist");
  cmd->add_flag("--quiet", o->quiet, "No progress and no list of the files written");
  all->excludes(name)->excludes(output);
  dir->needs(all);
  cmd->callback([o] {
    if (!o->all && o->name.empty()) throw Failure{"extract: give a packed file's NAME, or --all"};
    o->all ? RunAll(*o) : RunOne(*o);
  });
});

}  // namespace
}  // namespace qs::tool
