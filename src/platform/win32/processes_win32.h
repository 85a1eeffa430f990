// Win32Processes: CreateProcessW with a hidden window and a bounded wait.
#pragma once

#include <map>
#include <mutex>

#include "platform/processes.h"
#include "platform/win32/unique_handle.h"

namespace platform {

class Win32Processes final : public Processes {
 public:
  support::Result<std::uint32_t> RunHidden(const std::wstring& command_line,
                                           std::uint32_t timeout_ms) override;
  support::Result<CapturedRun> RunCaptured(const std::wstring& command_line,
                                           std::uint32_t timeout_ms,
                                           std::size_t max_bytes) override;
  support::Result<std::vector<std::wstring>> ImageNames() override;
  support::Result<ProcessEnd> RunProcess(const std::wstring& exe, const std::wstring& command_line,
                                         const std::wstring& work_dir, std::uint32_t timeout_ms,
                                         bool kill_on_timeout, bool no_window) override;
  support::Result<std::uint32_t> Start(const std::wstring& command_line,
                                       const std::wstring& work_dir, bool hidden) override;
  std::vector<Entry> List() override;
  support::Status Terminate(std::uint32_t id, std::uint32_t exit_code) override;
  support::Result<std::uint32_t> Wait(std::uint32_t id, std::uint32_t timeout_ms) override;

 private:
  // The handles of the processes Start made: they keep the exit code readable, and the
  // id from being reused, until this object goes.
  std::mutex mutex_;
  std::map<std::uint32_t, win32::UniqueHandle> started_;
};

}  // namespace platform
