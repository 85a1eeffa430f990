// The Review screen's restart and "Open log": the two things the step screens ask of the
// shell and the system directly.
#pragma once

#include <string>

namespace gui::win32 {

// Enables the shutdown privilege and restarts the machine at once, programs closed without
// saving. Empty on success, else why it did not happen.
std::wstring RestartComputer();

// Opens `path` with the shell's "open" verb; empty on success, else why not.
std::wstring OpenWithShell(const std::wstring& path);

}  // namespace gui::win32
