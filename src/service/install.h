// Install, status, start/stop and the console hold of the timer service.
#pragma once

#include <cstdint>

// Copies the program to the install folder, records the period, sets
// GlobalTimerResolutionRequests, creates or updates the service, starts it and checks
// that the kernel reports the period. False at the first failure, with its message.
bool InstallTimerService(std::uint32_t resolution, bool pinned);
// --status: always 0.
int PrintTimerStatus();
// --start / --stop: 0 on success, 1 on failure (including "Service is not installed.").
int StartOrStopTimerService(bool start);
// --apply: holds `resolution` (0 = kernel fastest) until Ctrl+C; the exit code.
int HoldResolutionInConsole(std::uint32_t resolution);
// The console break routine of the hold: wakes the hold when one is waiting; true.
bool ConsoleBreakHandler();
// Deletes the legacy service and a "Veltrane" service whose program file is gone.
void RemoveStaleServices();
