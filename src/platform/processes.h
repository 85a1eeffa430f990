// Processes port: start a tool hidden and wait for it.
#pragma once

#include <cstdint>
#include <string>

#include "support/result.h"

namespace platform {

class Processes {
 public:
  virtual ~Processes() = default;
  // CreateProcessW with CREATE_NO_WINDOW and SW_HIDE, then a wait of `timeout_ms`; a
  // command line that starts with a quoted path gives that path as the application name.
  // Returns the exit code. Errors: kTimeout when the wait ran out (the process and every
  // process it started, gathered in a job, were terminated with code 1 and are gone
  // before this returns); otherwise the start failure
  // with its win32_error (2 for a missing executable).
  virtual support::Result<std::uint32_t> RunHidden(const std::wstring& command_line,
                                                   std::uint32_t timeout_ms) = 0;
};

}  // namespace platform
