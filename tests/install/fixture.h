// A portable platform over a temporary host folder mapped as drive C, with the recording process
// launcher and the recording shell links.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/streams.h"
#include "platform/portable/host.h"
#include "platform/portable/processes_portable.h"
#include "platform/portable/shelllinks_portable.h"
#include "platform/temp_dir.h"

namespace qs::test {

struct InstallHost {
  TempDir drive;
  PortableHost host;
  RecordingProcesses processes;
  RecordingShellLinks links;
  Platform& platform = host.platform;

  InstallHost() {
    host.files.MapDrive('C', drive.Path());
    platform.processes = &processes;
    platform.shellLinks = &links;
  }

  std::filesystem::path Host(const std::string& windowsPath) const {
    auto p = host.files.HostPath(windowsPath);
    return p ? *p : std::filesystem::path();
  }
  void Write(const std::string& windowsPath, const std::string& content) {
    auto p = drive.Path() / WindowsToRelative(windowsPath);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::vector<std::uint8_t> ReadBytes(const std::string& windowsPath) const {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  std::string Read(const std::string& windowsPath) const {
    auto b = ReadBytes(windowsPath);
    return std::string(b.begin(), b.end());
  }
  bool Exists(const std::string& windowsPath) const {
    auto p = host.files.HostPath(windowsPath);
    return p && std::filesystem::exists(*p);
  }

 private:
  // "C:\a\b" -> "a/b" (test paths only).
  static std::string WindowsToRelative(const std::string& w) {
    std::string r = w.substr(3);
    for (char& c : r)
      if (c == '\\') c = '/';
    return r;
  }
};

}  // namespace qs::test
