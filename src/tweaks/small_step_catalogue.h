// The catalogues of the Prepare, Memory and Storage steps: their fixed rows and the
// storage power settings.
#pragma once

#include <span>
#include <vector>

#include "tweaks/tweak_records.h"

// A fixed row of a step, before it becomes a TweakRow.
struct FixedRow {
  const wchar_t* id;
  const wchar_t* title;
  const wchar_t* explanation;
  const wchar_t* detail;
};

// ASPM, DISKIDLE, USBSUSPEND.
std::span<const PowerTweak> StoragePowerCatalogue();

// SYSPROTECT, RESTOREPT.
std::vector<TweakRow> PrepareRows();
// PAGEFILE, MEMCOMP.
std::vector<TweakRow> MemoryRows();
// The three power rows (empty detail), then TRIM, SYSMAIN, HIBER, WRITECACHE, LASTACCESS.
std::vector<TweakRow> StorageRows();
