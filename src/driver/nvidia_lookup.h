// NVIDIA's driver lookup: the request for one PCI id, and the offer filled from its
// answer.
#pragma once

#include <atomic>
#include <string>

#include "driver/gpu_driver_offer.h"

namespace gui {
class Feed;
}

// Unreserved bytes ('-', '.', digits, letters, '_', '~') pass; every other byte becomes
// '%' and two upper-case hex digits.
std::wstring PercentEncode(const std::string& bytes);
// The lookup address for `id` ("2684_10DE_16F1_10DE" or "2684_10DE").
std::wstring NvidiaLookupUrl(const std::wstring& id, const std::wstring& build, bool onBattery);
// Fills `offer` for the NVIDIA `adapter`; true when a package was found.
bool LookupNvidiaDriver(gui::GpuDriverOffer& offer, const DisplayAdapter& adapter, gui::Feed* feed,
                        const std::atomic<bool>* cancel);
