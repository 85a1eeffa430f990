// The single-step console commands and the GUI start path, as the dispatcher calls them.
#pragma once

#include "app/options.h"

// --health: one line per check; 0 after listing them.
int RunHealthCommand();
// --guard: the startup guard's exit code.
int RunGuardCommand();
// --apply-prepare, --apply-afterburner, --apply-memory, --apply-storage: true when the
// step succeeded.
bool RunPrepareCommand();
bool RunAfterburnerCommand();
bool RunMemoryCommand();
bool RunStorageCommand();
// The GUI role (hand-off to a newer installed copy, then the window); its exit code.
int RunGuiRole(const Options& options, const Arguments& args);
