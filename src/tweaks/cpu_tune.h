// CPU Tune: the Ultimate Performance plan, the processor power management settings on it,
// and threaded DPCs off; and its restore.
#pragma once

#include <string>

#include "support/guid.h"

extern const support::Guid kUltimatePerformanceScheme;
extern const support::Guid kHighPerformanceScheme;

// True when Ultimate Performance or High Performance is active afterwards; `message`
// says which way it went.
bool SwitchToUltimatePlan(std::wstring& message);
// True when the step wrote something.
bool ApplyCpuTune();
// False when a recorded value could not be put back (the product key then keeps them).
bool RestoreCpuTune();
