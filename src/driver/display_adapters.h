// Display adapter discovery: the numbered subkeys of the display class key, their vendor
// (by PCI vendor id first), whether they are discrete, and their PCI ids, completed from
// the PCI enumeration when the driver key lacks the subsystem.
#pragma once

#include <string>
#include <vector>

#include "driver/gpu_driver_offer.h"

// Every NVIDIA, AMD and Intel adapter, in class-key order; basic display adapters and
// other vendors are left out.
std::vector<DisplayAdapter> ListDisplayAdapters();

// The vendor (kDriverNone when none of the three) of an adapter with this description,
// provider and vendor id (empty when unknown). A known id decides alone.
std::uint32_t AdapterVendor(const std::wstring& driverDesc, const std::wstring& providerName,
                            const std::wstring& vendorId);
bool IsDiscreteAdapter(std::uint32_t vendor, const std::wstring& driverDesc);
