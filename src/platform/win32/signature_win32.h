// The Signature port over WinVerifyTrust and the signer's certificate.
#pragma once

#include "platform/signature.h"

namespace platform {

class Win32Signature final : public Signature {
 public:
  support::Result<FileSignature> VerifyFile(const HeldFile& file) override;
};

}  // namespace platform
