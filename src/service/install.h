// Install, status, start/stop and the console hold of the timer service.
#pragma once

#include <cstdint>

bool InstallTimerService(std::uint32_t resolution, bool pinned);
// --status: always 0.
int PrintTimerStatus();
// --start / --stop: 0 on success, 1 on failure (including "Service is not installed.").
int StartOrStopTimerService(bool start);
// --apply: holds `resolution` (0 = kernel fastest) until Ctrl+C; the exit code.
int HoldResolutionInConsole(std::uint32_t resolution);
// Deletes services whose binary path points at a missing copy of this program.
void RemoveStaleServices();
