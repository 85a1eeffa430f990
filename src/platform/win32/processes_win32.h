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
};

}  // namespace platform
