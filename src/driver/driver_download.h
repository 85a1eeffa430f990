// The verified download of the offered package into the driver folder.
#pragma once

#include <atomic>
#include <string>

#include "driver/gpu_driver_offer.h"

namespace gui {
class Feed;

// 0 done (`offer.localPath` set), 1 failed (`offer.message` says why), 2 stopped. A
// failure leaves neither the package nor its ".partial" file behind.
int DownloadGpuDriver(Feed* feed, GpuDriverOffer& offer, const std::atomic<bool>* cancel);

}  // namespace gui

// The package's file name from its address: the last path segment without the query,
// "driver.exe" when that is empty, longer than 160 characters or holds "..", and each
// character Windows forbids in a name replaced by '_'.
std::wstring PackageFileName(const std::wstring& url);
