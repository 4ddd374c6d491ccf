#include "platform/portable/processes_portable.h"

namespace qs {

namespace {
constexpr std::uintptr_t kSeNoAssociation = 31;
constexpr std::uint32_t kErrorNoAssociation = 1155;
constexpr std::uint32_t kErrorInvalidHandle = 6;
}  // namespace

bool RecordingProcesses::Running(Handle process) const { return running_.count(process) != 0; }

void RecordingProcesses::End(Handle process) { running_.erase(process); }

bool RecordingProcesses::StartProcess(const std::string& commandLine, std::uint32_t creationFlags,
                                      const StartupRecord& startup, ProcessRecord& process) {
  StartResult result;
  if (!startResults.empty()) {
    result = startResults.front();
    startResults.pop_front();
  }
  starts.push_back({commandLine, creationFlags, startup, result.ok});
  if (!result.ok) {
    lastError_ = result.error;
    return false;
  }
  process.process = nextHandle_;
  process.thread = nextHandle_ + 4;
  nextHandle_ += 8;
  process.processId = nextId_++;
  process.threadId = nextId_++;
  open_.insert(process.process);
  open_.insert(process.thread);
  processes_.insert(process.process);
  running_.insert(process.process);
  return true;
}

std::uintptr_t RecordingProcesses::FindAssociation(const std::string& document, const std::string& /*directory*/,
                                                   std::string& program) {
  lookups.push_back(document);
  auto it = associations.find(document);
  if (it == associations.end()) {
    lastError_ = kErrorNoAssociation;
    return kSeNoAssociation;
  }
  if (it->second.result > 32) {
    program = it->second.program;
  } else {
    lastError_ = it->second.error;
  }
  return it->second.result;
}

std::uint32_t RecordingProcesses::WaitForProcess(Handle process, std::uint32_t timeoutMs) {
  waits.push_back({process, timeoutMs});
  if (!open_.count(process) || !processes_.count(process)) {
    lastError_ = kErrorInvalidHandle;
    return kWaitFailed;
  }
  if (!Running(process)) return kWaitObject0;
  if (timeoutMs == 0) return kWaitTimeout;
  End(process);  // a blocking wait lasts until the program ends
  return kWaitObject0;
}

std::uint32_t RecordingProcesses::WaitForProcessOrMessage(Handle process) {
  ++messageWaits;
  if (!open_.count(process) || !processes_.count(process)) {
    lastError_ = kErrorInvalidHandle;
    return kWaitFailed;
  }
  if (!queue.empty()) return kWaitInput;
  if (!Running(process)) return kWaitObject0;
  if (!arriving.empty()) {
    queue.push_back(arriving.front());
    arriving.pop_front();
    return kWaitInput;
  }
  End(process);
  return kWaitObject0;
}

void RecordingProcesses::Close(Handle handle) {
  closed.push_back(handle);
  open_.erase(handle);
}

bool RecordingProcesses::NextMessage(Message& message) {
  if (queue.empty()) return false;
  message = queue.front();
  queue.pop_front();
  return true;
}

void RecordingProcesses::Dispatch(const Message& message) {
  dispatched.push_back(message);
  if (onDispatch) onDispatch(message);
}

}  // namespace qs
