// Administrator rights: the check, and the relaunch of this executable through the
// shell's "runas" verb.
#pragma once

#include <string>

#include "app/options.h"

// The console's elevation failure lines (the GUI shows message boxes instead).
inline constexpr wchar_t kElevationDeclinedLine[] =
    L"Elevation was declined or failed. Veltrane must run as administrator.";
inline constexpr wchar_t kElevationIneffectiveLine[] =
    L"Administrator privileges are required and elevation did not take effect.";

bool IsProcessElevated();
// The parameter string of a relaunch: every argument in double quotes, one space apart,
// quoted so that CommandLineToArgvW gives back exactly `args` (an inner quote as \",
// the backslashes before a quote or the closing quote doubled).
std::wstring ElevationParameters(const Arguments& args);
// Starts this executable again elevated with `args`; true when the shell accepted. The
// elevated copy is not waited for.
bool RelaunchElevated(const Arguments& args);
// `args` with "--elevated" appended, which marks the relaunched copy.
Arguments WithElevatedFlag(const Arguments& args);
// The console dispatcher's elevation step: -1 to go on (already elevated), 0 when an
// elevated copy was started (`relaunched` set), 1 when elevation failed.
int EnsureElevated(const Options& options, const Arguments& args, bool& relaunched);
