// Starting programs, waiting for them and the thread's message queue with the real system calls.
#pragma once
#include "platform/processes.h"

namespace qs {

class Win32Processes : public IProcesses {
 public:
  bool StartProcess(const std::string& commandLine, std::uint32_t creationFlags, const StartupRecord& startup,
                    ProcessRecord& process) override;
  std::uint32_t LastError() override;
  std::uintptr_t FindAssociation(const std::string& document, const std::string& directory,
                                 std::string& program) override;
  std::uint32_t WaitForProcess(Handle process, std::uint32_t timeoutMs) override;
  std::uint32_t WaitForProcessOrMessage(Handle process) override;
  void Close(Handle handle) override;
  bool NextMessage(Message& message) override;
  void Dispatch(const Message& message) override;
};

}  // namespace qs
