#include "driver/vendor_signature.h"

#include <algorithm>
#include <span>

#include "driver/gpu_driver_offer.h"
#include "platform/signature.h"
#include "platform/system.h"

namespace {

// Named arrays: a list chosen inside a conditional would not outlive its statement.
constexpr const wchar_t* kNvidiaNames[] = {L"NVIDIA Corporation"};
constexpr const wchar_t* kAmdNames[] = {L"Advanced Micro Devices, Inc.",
                                        L"Advanced Micro Devices Inc."};

bool Listed(std::span<const wchar_t* const> names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(), [&](const wchar_t* n) { return name == n; });
}

}  // namespace

VendorCheck HoldVendorSigned(const std::wstring& path, std::uint32_t vendor) {
  const bool nvidia = vendor == kDriverNvidia;
  VendorCheck check;
  check.refused = nvidia ? L"The NVIDIA package is not signed by NVIDIA, so it was not opened."
                         : L"The AMD package is not signed by AMD, so it was not opened.";
  auto& sys = platform::Sys();
  auto held = sys.files.OpenHeld(path);
  if (!held) return check;
  const auto signature = sys.signature.VerifyFile(**held);
  if (!signature || signature->state != platform::SignatureState::kValid) return check;
  // Both subject attributes must name the vendor: either alone can be chosen by whoever
  // asks a certificate authority for a certificate.
  const std::span<const wchar_t* const> names = nvidia
                                                    ? std::span<const wchar_t* const>(kNvidiaNames)
                                                    : std::span<const wchar_t* const>(kAmdNames);
  if (!signature->code_signing || !Listed(names, signature->organization) ||
      !Listed(names, signature->common_name)) {
    return check;
  }
  check.held = std::move(held.value());
  check.refused.clear();
  return check;
}
