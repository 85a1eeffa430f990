// The power-setting protocol CPU Tune and Storage share: show each setting, record its AC
// and DC values, write the target through the API (powercfg as the fallback), confirm by
// read-back; and its restore from the recorded values.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "support/guid.h"
#include "tweaks/tweak_records.h"

struct PowerWritePlan {
  const wchar_t* tag;     // "CPU TUNE" or "STORAGE"
  const wchar_t* prefix;  // backup prefix, "Ppm" or "Pwr"
  bool storage;           // Storage's variant: one cancellation test, shorter pauses
  bool keepBackups;       // the step was applied before: recorded values stay
};

struct PowerTally {
  int written = 0;
  int failed = 0;
};

// Records `scheme` under `recordName` as the plan the catalogue's values belong to, or,
// with `keep`, checks that the earlier run's record names it: values recorded on one plan
// must never be taken for another plan's. False when neither holds.
bool ClaimPowerScheme(const wchar_t* recordName, const support::Guid& scheme, bool keep);

// Rows from `firstRow` on show the catalogue. False when the feed cancelled.
bool WritePowerSettings(const support::Guid& scheme, std::span<const PowerTweak> catalogue,
                        std::vector<TweakRow>& rows, std::size_t firstRow,
                        const PowerWritePlan& plan, PowerTally& tally);

// Writes every recorded value of the catalogue back onto the scheme `schemeRecord` names
// (the active scheme when none was recorded); `restored` counts AC values written. False,
// reported as "<what> were not restored", when a record cannot be read or a value cannot
// be written back: the records then stay for a later uninstall.
bool RestorePowerRecords(const wchar_t* schemeRecord, std::span<const PowerTweak> catalogue,
                         const wchar_t* prefix, const wchar_t* what, int& restored);
