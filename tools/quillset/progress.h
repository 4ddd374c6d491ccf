// A one-line progress display on the terminal for long runs (build, test, extract --all): files
// done and bytes done, redrawn in place on stderr at most ten times a second. It shows nothing when
// stderr is not a terminal (a pipe, a file, CI) or when the run was asked to be quiet, so output
// that scripts read never holds it. The line is cleared when the run ends, well or not.
//
//   Progress p("extract", items.size(), totalBytes, quiet);
//   for (...) { ...; p.Advance(1, item.size); }
//   p.Finish();
#pragma once
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qs::tool {

class Progress {
 public:
  // totalFiles or totalBytes 0: not known; the line then shows what is done only.
  Progress(std::string label, std::uint64_t totalFiles, std::uint64_t totalBytes, bool quiet)
      : label_(std::move(label)),
        totalFiles_(totalFiles),
        totalBytes_(totalBytes),
        shown_(!quiet && isatty(fileno(stderr))) {}
  ~Progress() { Finish(); }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  bool Shown() const { return shown_; }
  void SetTotals(std::uint64_t files, std::uint64_t bytes) { totalFiles_ = files, totalBytes_ = bytes; }

  // Counts files and bytes as done and redraws when the last drawing is old enough.
  void Advance(std::uint64_t files, std::uint64_t bytes) { Set(files_ + files, bytes_ + bytes); }
  // Sets the counts done so far.
  void Set(std::uint64_t files, std::uint64_t bytes) {
    files_ = files, bytes_ = bytes;
    if (!shown_) return;
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    Draw();
  }
  // Clears the line (once).
  void Finish() {
    if (!shown_ || !drawn_) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
    std::fflush(stderr);
    drawn_ = false;
  }

  // "1.5 MB": bytes in the unit that keeps the number short.
  static std::string Size(std::uint64_t bytes) {
    char buf[32];
    if (bytes < 1024)
      std::snprintf(buf, sizeof buf, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
      std::snprintf(buf, sizeof buf, "%.1f KB", static_cast<double>(bytes) / 1024);
    else
      std::snprintf(buf, sizeof buf, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
    return buf;
  }

 private:
  void Draw() {
    // Runs that count bytes alone (reading a payload) show no files.
    std::string line = label_ + ": ";
    if (files_ || totalFiles_) {
      line += std::to_string(files_);
      if (totalFiles_) line += "/" + std::to_string(totalFiles_);
      line += " files, ";
    }
    line += Size(bytes_);
    if (totalBytes_) line += " of " + Size(totalBytes_);
    if (line.size() < width_) line.append(width_ - line.size(), ' ');
    width_ = line.size();
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    drawn_ = true;
  }

  std::string label_;
  std::uint64_t totalFiles_, totalBytes_, files_ = 0, bytes_ = 0;
  bool shown_, drawn_ = false;
  std::size_t width_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace qs::tool
