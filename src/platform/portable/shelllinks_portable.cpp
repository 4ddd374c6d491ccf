#include "platform/portable/shelllinks_portable.h"

namespace qs {

namespace {

class RecordingLink : public ILinkObject {
 public:
  explicit RecordingLink(RecordingShellLinks& owner) : owner_(owner) {}
  ~RecordingLink() override { ++owner_.released; }

  HResult SetArguments(const std::string& arguments) override {
    arguments_ = arguments;
    return kSOk;
  }
  HResult SetPath(const std::string& path) override {
    path_ = path;
    return kSOk;
  }
  HResult SetWorkingDirectory(const std::string& directory) override {
    workingDirectory_ = directory;
    return kSOk;
  }
  HResult Save(const std::string& file, bool remember) override {
    owner_.saves.push_back({file, remember, path_, arguments_, workingDirectory_});
    return kSOk;
  }

 private:
  RecordingShellLinks& owner_;
  std::string arguments_, path_, workingDirectory_;
};

}  // namespace

std::unique_ptr<ILinkObject> RecordingShellLinks::CreateLink() {
  if (createResult != kSOk) throw EOleSysError(OleErrorMessage(createResult, systemText), createResult);
  if (lacksInterface) throw Exception(std::string(kMsgIntfNotSupported));
  ++created;
  return std::make_unique<RecordingLink>(*this);
}

std::vector<std::string> RecordingShellLinks::SavedFiles() const {
  std::vector<std::string> files;
  for (const Saved& s : saves) files.push_back(s.file);
  return files;
}

}  // namespace qs
