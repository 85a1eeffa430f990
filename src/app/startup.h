// The start-up order shared by every role: service, parse failure, elevation, then the
// console tool or the GUI.
#pragma once

#include "app/options.h"

// Makes the console usable for output: keeps a console (or redirected) standard output,
// else attaches the parent's console or opens a new one.
void AttachParentConsole();

// The whole process after the command line was split and parsed; returns the exit code.
// `parsed` is ParseOptions' result.
int RunProcess(const Options& options, bool parsed, const Arguments& args);
