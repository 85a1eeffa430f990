// Other copies of the program on this machine: running ones found by their image name,
// and the executable a Run value or a service command line names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "update/product_version.h"

namespace update {

struct RunningCopy {
  std::uint32_t id = 0;
  std::wstring path;
  std::optional<ProductVersion> version;
};

// The file name, in any case, begins with "veltrane" and ends with ".exe".
bool IsProductExecutableName(const std::wstring& path);

// Processes other than this one, in a user's session (the service in session 0 is never
// one), whose image is a product executable.
std::vector<RunningCopy> FindRunningCopies();

// The version resource of a file; nullopt when it is missing or carries none.
std::optional<ProductVersion> ExecutableVersion(const std::wstring& path);

// The executable of a command line: the leading double-quoted path, or the text up to the
// first blank.
std::wstring ExecutableOfCommandLine(const std::wstring& command_line);

}  // namespace update
