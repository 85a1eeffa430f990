// The window is Win32 code above the portable start-up: the entry point hands it in, and
// a build or test without it gets a plain "not available" instead.
#pragma once

#include "app/options.h"

using GuiEntry = int (*)(const Options& options, const Arguments& args);

// Called once by the entry point before the start-up runs.
void SetGuiEntry(GuiEntry entry);
