// The vendor's Authenticode signature on a downloaded package, checked before the
// package is opened: an installer runs elevated, so its publisher must be the vendor.
#pragma once

#include <cstdint>
#include <string>

// Empty when `path` carries a valid signature by `vendor` (kDriverNvidia or kDriverAmd);
// the message otherwise.
std::wstring CheckVendorSignature(const std::wstring& path, std::uint32_t vendor);
