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

// Rows from `firstRow` on show the catalogue. False when the feed cancelled.
bool WritePowerSettings(const support::Guid& scheme, std::span<const PowerTweak> catalogue,
                        std::vector<TweakRow>& rows, std::size_t firstRow,
                        const PowerWritePlan& plan, PowerTally& tally);

// Writes every recorded value back onto `scheme`; `restored` counts AC values written.
// False when a recorded value could not be written back.
bool RestorePowerSettings(const support::Guid& scheme, std::span<const PowerTweak> catalogue,
                          const wchar_t* prefix, int& restored);
