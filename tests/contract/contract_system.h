// The machine the contract suites run against. The same suites are linked twice: natively
// with a simulated machine, and into the Windows test executable with the real adapters
// (run under Wine). Each side implements these few functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/system.h"

namespace contract {

// The system under test; one per test program, so suites clean up what they create.
platform::System& ContractSystem();

// A new, empty folder (a Windows path without trailing backslash) for one test.
std::wstring NewScratchFolder();

// A command line for a helper process that prints "helper says <exit_code>" and a line
// break to standard output, waits `sleep_ms`, then creates `marker_path`
// (when not empty) and exits with `exit_code`. A helper killed at a time-out never
// creates its marker, which is how the suites tell that it is gone.
std::wstring HelperCommandLine(std::uint32_t exit_code, std::uint32_t sleep_ms,
                               const std::wstring& marker_path);

// Makes `link` a directory link (junction or symbolic link) to the folder `target`;
// false where the system cannot make one, and the suite skips.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// The loopback HTTP server of the network suite ("127.0.0.1" and its port), serving
// /hello, /chunked, /missing, /moved and /early (see loopback_http.py); nullopt when
// none runs, and the suite skips.
std::optional<std::uint16_t> LoopbackHttpPort();

}  // namespace contract
