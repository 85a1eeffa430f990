// The catalogue records of the tuning steps. Catalogues are fixed at build time, so their
// text is kept as string literals and a row costs no allocation.
#pragma once

#include <cstdint>
#include <vector>

#include "support/guid.h"
#include "tweaks/tweak_row.h"

// One power setting a step writes: the same target for AC and DC.
struct PowerTweak {
  const wchar_t* id;  // upper case; also the key of the backup value names
  const wchar_t* title;
  const wchar_t* unit;  // "%", "ms", "s" or empty
  const wchar_t* explanation;
  std::uint32_t target;
  std::uint32_t dwellMs;
  support::Guid setting;
  support::Guid subgroup;
};

enum GraphicsKind : std::uint32_t {
  kGraphicsRegistry = 0,
  kGraphicsProfile = 1,
  kGraphicsService = 2
};

// One GPU Config setting.
struct GraphicsTweak {
  const wchar_t* id;
  const wchar_t* title;
  const wchar_t* explanation;
  const wchar_t* targetText;  // the row's initial detail
  std::uint32_t vendor;       // 0 every machine, 1 NVIDIA present, 2 AMD present
  std::uint32_t dwellMs;
  std::uint32_t kind;              // GraphicsKind
  const wchar_t* keyPath;          // under HKLM (registry); the adapter class key when perAdapter
  const wchar_t* valueName;        // registry
  std::uint32_t value;             // registry and driver profile
  std::uint32_t profileSettingId;  // driver profile
  const wchar_t* serviceName;      // service
  bool perAdapter;
};

enum TweakRowState : std::int32_t {
  kRowPending = 0,
  kRowRunning = 1,
  kRowDone = 2,
  kRowFailed = 3
};

// Finished rows, plus 0.35 while one runs, over all rows; 0 for an empty list.
double RowsProgress(const std::vector<TweakRow>& rows);
// A pending row showing `detail`.
TweakRow PendingRow(const wchar_t* id, const wchar_t* title, const wchar_t* explanation,
                    const wchar_t* detail);
