// The GPU Config catalogue: Windows graphics values for every machine, then the NVIDIA and
// AMD driver values, driver-profile settings and the telemetry service.
#pragma once

#include <span>

#include "tweaks/tweak_records.h"

// The display adapter class key under HKLM; per-adapter rows write into its numbered
// subkeys.
inline constexpr wchar_t kDisplayClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";

// The 32 rows, in the order they are written.
std::span<const GraphicsTweak> GpuCatalogue();
