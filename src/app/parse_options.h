// The command line: one pass over the arguments into Options, and the role it asks for.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/options.h"

// Walks `args` left to right (exact, case-sensitive matches), applies --quick and the
// cross-checks. False after one error line has been written.
bool ParseOptions(const Arguments& args, Options& options);

// Consumes args[index + 1] as the whole-number value of the switch at args[index] and
// leaves `index` on the value. Only plain decimal digits that fit 32 bits are accepted
// (no sign, no blanks), and the value must be at least `minimum` and at most `maximum`.
// False after the error line naming `label`.
bool ParseWholeNumber(const Arguments& args, std::size_t& index, std::uint32_t& out,
                      std::uint32_t minimum, const wchar_t* label,
                      std::uint32_t maximum = 0xFFFFFFFFu);

// True when the process runs as the console tool rather than the GUI.
bool IsConsoleInvocation(const Arguments& args, const Options& options);
