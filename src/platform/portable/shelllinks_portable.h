// Shell links without the shell, for the unit tests: every link object records what it is told
// and writes nothing. The bytes of a link file are the shell's business (the Windows tests read
// real ones back); these record what the installer asks of it, as RecordingProcesses does.
#pragma once
#include <string>
#include <vector>

#include "platform/shelllinks.h"

namespace qs {

class RecordingShellLinks : public IShellLinks {
 public:
  // One Save call with the link object's texts as they stood then.
  struct Saved {
    std::string file;  // the path given to Save
    bool remember = false;
    std::string path, arguments, workingDirectory;
  };

  std::unique_ptr<ILinkObject> CreateLink() override;

  // ---- the script ----
  // A failing creation (EOleSysError with this code and systemText as its text) or a link object
  // that lacks one of its interfaces.
  HResult createResult = kSOk;
  std::string systemText;
  bool lacksInterface = false;

  // ---- the record ----
  int created = 0;  // link objects created
  int released = 0;
  std::vector<Saved> saves;
  // The files of the saves, in order.
  std::vector<std::string> SavedFiles() const;
};

}  // namespace qs
