// The GPU Clean lookup: which adapter to serve, the vendor's current package, its size
// against the free space, and the offer's detail line.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "driver/gpu_driver_offer.h"

namespace gui {
class Feed;
}

gui::GpuDriverOffer LookupGpuDriver(gui::Feed* feed, const std::atomic<bool>* cancel);

// CurrentBuildNumber's digits; "22621" when it cannot be read.
std::wstring WindowsBuildNumber();

// A system battery is present: the flag reads and is neither 128 (no battery) nor 255
// (unknown).
bool ReportsBattery();

// "%.0f MB" below 1 GiB, "%.1f GB" from there.
std::wstring SizeText(std::uint64_t bytes);

// The space check against the driver folder's drive, and `detail`.
void CheckSpaceAndDescribe(gui::GpuDriverOffer& offer);
// The package's size from a HEAD request under `role`, then `found` and the space check.
void MeasurePackage(gui::GpuDriverOffer& offer, int role, bool browserHeaders,
                    const std::atomic<bool>* cancel);
