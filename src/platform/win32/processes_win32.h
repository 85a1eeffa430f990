// Win32Processes: CreateProcessW with a hidden window and a bounded wait.
#pragma once

#include "platform/processes.h"

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
};

}  // namespace platform
