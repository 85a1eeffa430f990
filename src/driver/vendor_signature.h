// The vendor's Authenticode signature on a downloaded package, checked before the
// package is opened: an installer runs elevated, so its publisher must be the vendor.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"

// A package held open against change, with the verdict on its signature.
struct VendorCheck {
  // Set only when the package passed: keep it while the package is used, so no other
  // program can change or replace the bytes that were checked.
  std::unique_ptr<platform::HeldFile> held;
  std::wstring refused;  // the message when it did not pass
};

// Holds `path` and checks through the hold that it carries a valid signature whose
// certificate names `vendor` (kDriverNvidia or kDriverAmd) as both O and CN and allows
// code signing.
VendorCheck HoldVendorSigned(const std::wstring& path, std::uint32_t vendor);
