#include "driver/vendor_signature.h"

#include <initializer_list>

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
  const std::initializer_list<const wchar_t*> signers =
      nvidia ? std::initializer_list<const wchar_t*>{L"NVIDIA Corporation"}
             : std::initializer_list<const wchar_t*>{L"Advanced Micro Devices, Inc.",
                                                     L"Advanced Micro Devices Inc."};
  for (const wchar_t* signer : signers) {
    if (signature->signer == signer) return {};
  }
  return refused;
}
