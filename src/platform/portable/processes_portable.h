// A process launcher that starts nothing: it records every start, lookup, wait and handle release
// and answers from a script, and it keeps a scripted message queue for the user-interface thread.
// Used by the unit tests and by the command-line tool, where nothing may be run.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace qs {

class RecordingProcesses : public IProcesses {
 public:
  // What one start is answered with.
  struct StartResult {
    bool ok = true;
    std::uint32_t error = 0;  // the last error of a failed start
  };
  struct Start {
    std::string commandLine;
    std::uint32_t creationFlags = 0;
    StartupRecord startup;
    bool ok = false;
  };
  struct Association {
    std::uintptr_t result = 42;  // above 32: found
    std::string program;
    std::uint32_t error = 0;  // the last error of a failed lookup
  };
  struct WaitCall {
    Handle process = 0;
    std::uint32_t timeoutMs = 0;
  };

  // ---- the script ----
  // Answers for the coming starts, in order; when empty, a start succeeds.
  std::deque<StartResult> startResults;
  // Association lookups by document (exact text); an unknown document gives 31 (no association)
  // with last error 1155.
  std::map<std::string, Association> associations;
  // Messages already in the queue.
  std::deque<Message> queue;
  // Messages that arrive while a started program runs: a blocking wait for "a message or the
  // process" delivers the next one; when none is left, the program ends instead.
  std::deque<Message> arriving;
  // Called for each dispatched message (a test's window procedure).
  std::function<void(const Message&)> onDispatch;

  // ---- the record ----
  std::vector<Start> starts;
  std::vector<std::string> lookups;
  std::vector<WaitCall> waits;  // WaitForProcess calls
  int messageWaits = 0;         // WaitForProcessOrMessage calls
  std::vector<Message> dispatched;
  std::vector<Handle> closed;

  // Handles of started processes and threads not yet closed.
  const std::set<Handle>& OpenHandles() const { return open_; }
  bool Running(Handle process) const;
  // Ends a started program (as if it exited by itself).
  void End(Handle process);

  bool StartProcess(const std::string& commandLine, std::uint32_t creationFlags, const StartupRecord& startup,
                    ProcessRecord& process) override;
  std::uint32_t LastError() override { return lastError_; }
  std::uintptr_t FindAssociation(const std::string& document, const std::string& directory,
                                 std::string& program) override;
  std::uint32_t WaitForProcess(Handle process, std::uint32_t timeoutMs) override;
  std::uint32_t WaitForProcessOrMessage(Handle process) override;
  void Close(Handle handle) override;
  bool NextMessage(Message& message) override;
  void Dispatch(const Message& message) override;

 private:
  std::uint32_t lastError_ = 0;
  Handle nextHandle_ = 0x100;
  std::uint32_t nextId_ = 1000;
  std::set<Handle> open_;
  std::set<Handle> running_;  // process handles whose program has not ended
  std::set<Handle> processes_;
};

}  // namespace qs
