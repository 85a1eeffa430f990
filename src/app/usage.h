// The usage screen and the version lines, written to standard output only.
#pragma once

void PrintUsage();
void PrintVersion();
