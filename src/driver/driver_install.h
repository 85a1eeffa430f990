// The trimmed install of a downloaded, verified package: NVIDIA's setup with the display
// driver and PhysX only, or AMD's display driver alone through Windows' pnputil.
#pragma once

#include "driver/gpu_driver_offer.h"

namespace gui {
class Feed;
}

// 0 on success, 1 otherwise (`offer.message` says why).
int InstallGpuDriver(gui::Feed* feed, gui::GpuDriverOffer& offer);
