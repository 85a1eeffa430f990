#include "driver/vendor_signature.h"

#include <span>

#include "driver/gpu_driver_offer.h"
#include "platform/signature.h"
#include "platform/system.h"

std::wstring CheckVendorSignature(const std::wstring& path, std::uint32_t vendor) {
  const bool nvidia = vendor == kDriverNvidia;
  const std::wstring refused =
      nvidia ? L"The NVIDIA package is not signed by NVIDIA, so it was not opened."
             : L"The AMD package is not signed by AMD, so it was not opened.";
  const auto signature = platform::Sys().signature.VerifyFile(path);
  if (!signature || signature->state != platform::SignatureState::kValid) return refused;
  // Named arrays: a list chosen inside a conditional would not outlive its statement.
  static constexpr const wchar_t* kNvidiaSigners[] = {L"NVIDIA Corporation"};
  static constexpr const wchar_t* kAmdSigners[] = {L"Advanced Micro Devices, Inc.",
                                                   L"Advanced Micro Devices Inc."};
  const std::span<const wchar_t* const> signers =
      nvidia ? std::span<const wchar_t* const>(kNvidiaSigners)
             : std::span<const wchar_t* const>(kAmdSigners);
  for (const wchar_t* signer : signers) {
    if (signature->signer == signer) return {};
  }
  return refused;
}
