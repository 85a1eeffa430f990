// What the hardening writes over, recorded under the product key the first time it is
// written over, so that uninstall can put it back. Only the first record counts: the
// guard hardens again at every start, and by then the values are the hardened ones.
#pragma once

#include <string>

#include "platform/services.h"
#include "support/guid.h"
#include "tweaks/tweak_records.h"

// Which power table a hardening writes.
enum class PowerArea { kProcessor, kStorage };

// The AC and DC values of `tweak` in `scheme` as they are now. False when either is neither
// recorded from before nor could be recorded now: the value must not be written then.
bool RecordSchemeValueOnce(PowerArea area, const support::Guid& scheme, const PowerTweak& tweak);
// The service's start type and failure actions as they are now.
void RecordServiceOnce(const std::wstring& name, platform::ServiceHandle& service);
// The Game DVR policy value as it is now. False when it must not be written: a value of
// another type (not ours to change), one that cannot be read, or a record that failed.
bool RecordGameDvrPolicyOnce();

// Puts back every record: run by uninstall before the steps' own restores, so the values
// from before the steps end up last. False when a recorded value could not be put back:
// the records must stay.
bool RestoreHardening();
