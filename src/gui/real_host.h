// The window's GuiHost filled with the program's real operations: the measurement, the
// service install, the probes, the tuning steps and the driver flow. Each step runs on the
// scheduler's worker thread with its feed bound, and answers 0 for success.
#pragma once

#include "app/options.h"
#include "gui/gui_host.h"

gui::GuiHost MakeGuiHost(const Options& options);
