// Signature port: whether a file carries a valid Authenticode signature, and whose.
#pragma once

#include <string>

#include "support/result.h"

namespace platform {

enum class SignatureState {
  kValid,     // the signature verifies and chains to a trusted root
  kUnsigned,  // no signature at all
  kInvalid,   // signed, but altered, expired, revoked or not trusted
};

struct FileSignature {
  SignatureState state = SignatureState::kUnsigned;
  // The signing certificate's subject name (its simple display name); empty unless valid.
  std::wstring signer;
};

class Signature {
 public:
  virtual ~Signature() = default;
  // WinVerifyTrust with the generic Authenticode policy, no UI, revocation checked over
  // the whole chain. Errors only when the file cannot be read (kNotFound, ...).
  virtual support::Result<FileSignature> VerifyFile(const std::wstring& path) = 0;
};

}  // namespace platform
