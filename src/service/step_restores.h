// The restores uninstall runs for the tuning steps, in its order. Each restores nothing
// and says nothing when its step's applied flag was never set.
#pragma once

bool RestoreCpuTune();
bool RestoreGpuConfig();
bool RestoreMemory();
bool RestoreStorage();
