// Starting one of Windows' own tools hidden and reading what it prints, for the checks
// that can only learn a setting from a tool's report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ToolOutput {
  std::uint32_t exitCode = 0;
  std::wstring text;  // ASCII as printed; any other byte reads as '?'
};

// nullopt when the tool could not be started or ran past `timeoutMs` (it was killed):
// a tool that did not finish has reported nothing. At most 64 KiB of output are kept.
std::optional<ToolOutput> RunToolForOutput(const std::wstring& exePath,
                                           const std::wstring& arguments,
                                           std::uint32_t timeoutMs);
