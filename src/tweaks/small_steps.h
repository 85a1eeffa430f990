// The Prepare, Memory and Storage steps and the restores of the last two.
#pragma once

#include <string>
#include <vector>

#include "tweaks/tweak_row.h"

// Prepare.
bool CreateRestorePoint(std::wstring& message);
// Always true: a refused restore point fails its row, not the step.
bool ApplyPrepare();
// The same; `restorePointMade` tells whether the point exists.
bool ApplyPrepare(bool& restorePointMade);

// Memory: true when either row ended done.
bool ApplyMemory();
bool RestoreMemory();

// Storage.
// False when the active scheme cannot be opened or recorded, or the feed cancelled.
bool ApplyStoragePowerSettings(std::vector<TweakRow>& rows, int& written, int& failed);
// True when at least one disk has its write cache on.
bool EnableDiskWriteCache(int& enabled, int& failed);
// True when at least one storage setting was written.
bool ApplyStorage();
bool RestoreStorage();
