// The CPU Tune catalogue: the processor power management settings it writes, and the
// step's display rows around them.
#pragma once

#include <span>
#include <vector>

#include "support/guid.h"
#include "tweaks/tweak_records.h"

// Processor power management subgroup; every PPM row lives in it.
extern const support::Guid kProcessorSubgroup;

// The 22 settings, in the order they are written.
std::span<const PowerTweak> PpmCatalogue();
// ULTIMATE, the 22 settings, THREADDPC: 24 pending rows.
std::vector<TweakRow> CpuTuneRows();
