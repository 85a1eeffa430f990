// The Windows service role (--service): holds the chosen timer period from every boot.
#pragma once

// Runs the service dispatcher with the timer service's main; returns the process exit
// code (0 when the dispatcher returned success, 1 when it failed).
int RunTimerServiceDispatcher();
