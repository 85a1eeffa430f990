// The console tool: one command run to completion on the main thread.
#pragma once

#include "app/options.h"

// Runs `options.command` with the console attached and returns the process exit code.
// Commands that change the machine hold the single-instance mutex for their whole run.
int RunConsoleCommand(const Options& options, const Arguments& args);
