// Processes port: start a tool hidden and wait for it.
#pragma once

#include <cstdint>
#include <string>

#include "support/result.h"

namespace platform {

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW(nullptr, command_line) with CREATE_NO_WINDOW and SW_HIDE, then a wait
  // of `timeout_ms`. Returns the exit code. Errors: kTimeout when the wait ran out (the
  // process was terminated with code 1 before returning); otherwise the start failure
  // with its win32_error (2 for a missing executable).
  virtual support::Result<std::uint32_t> RunHidden(const std::wstring& command_line,
                                                   std::uint32_t timeout_ms) = 0;
};

}  // namespace platform
