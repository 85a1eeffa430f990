// Signature port: whether a held file carries a valid Authenticode signature, and whose.
#pragma once

#include <string>

#include "platform/files.h"
#include "support/result.h"

namespace platform {

enum class SignatureState {
  kValid,     // the signature verifies and chains to a trusted root
  kUnsigned,  // no signature at all
  kInvalid,   // signed, but altered, expired, revoked or not trusted
};

// The signer is named only for a valid signature: every field stays empty otherwise.
struct FileSignature {
  SignatureState state = SignatureState::kUnsigned;
  // The signing certificate's subject attributes O and CN. A display name would fall
  // back to OU or an e-mail address, which anyone may put in a certificate.
  std::wstring organization;
  std::wstring common_name;
  // The certificate's extended key usage names code signing.
  bool code_signing = false;
};

class Signature {
 public:
  virtual ~Signature() = default;
  // WinVerifyTrust through the held handle (WTD_CHOICE_FILE with hFile) with the generic
  // Authenticode policy, no UI, revocation checked over the whole chain: the bytes
  // checked are the bytes the caller keeps using. Errors only when the file cannot be read.
  virtual support::Result<FileSignature> VerifyFile(const HeldFile& file) = 0;
};

}  // namespace platform
