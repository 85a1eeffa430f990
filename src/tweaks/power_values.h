// Reading and writing one power setting of a scheme, with powercfg as the second way in,
// and the change line a power row shows.
#pragma once

#include <cstdint>
#include <string>

#include "support/guid.h"
#include "tweaks/tweak_records.h"

// PowerReadACValueIndex / PowerReadDCValueIndex; `value` is untouched on failure.
bool ReadPowerValue(const support::Guid& scheme, const support::Guid& subgroup,
                    const support::Guid& setting, bool ac, std::uint32_t& value);
// PowerWriteACValueIndex / PowerWriteDCValueIndex.
bool WritePowerValue(const support::Guid& scheme, const support::Guid& subgroup,
                     const support::Guid& setting, bool ac, std::uint32_t value);
// powercfg /setacvalueindex (or /setdcvalueindex) SCHEME_CURRENT; true on exit code 0.
bool WritePowerValueByTool(const support::Guid& subgroup, const support::Guid& setting,
                           std::uint32_t value, bool ac);
// Clears the hidden attribute through the API, the registry and powercfg, so that the
// setting can be read and shows in the power options.
void UnhidePowerSetting(const support::Guid& subgroup, const support::Guid& setting);
// "<previous><unit>  →  <target><unit>", or "(hidden/unread)  →  <target><unit>".
std::wstring FormatChangeLine(const PowerTweak& tweak, std::uint32_t previous, bool hadPrevious);
