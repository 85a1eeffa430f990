// SimSignature: Authenticode as a test declares it. A signature belongs to bytes, as a
// real one does: any file holding exactly the declared bytes verifies, wherever it was
// saved; a file with other bytes is unsigned.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/signature.h"
#include "platform/sim/files_sim.h"

namespace platform {

class SimSignature final : public Signature {
 public:
  explicit SimSignature(SimFiles& files);

  support::Result<FileSignature> VerifyFile(const HeldFile& file) override;

  // Test controls: files holding `bytes` are signed with a certificate whose subject has
  // `organization` and `common_name` (and code signing among its usages unless
  // `code_signing` is false), or carry a signature that does not verify (altered after
  // signing, or an untrusted certificate).
  void Sign(std::string bytes, const std::wstring& organization, const std::wstring& common_name,
            bool code_signing = true);
  void SignInvalid(std::string bytes);

 private:
  struct Declared {
    std::string bytes;
    FileSignature signature;
  };

  SimFiles& files_;
  std::mutex mutex_;
  std::vector<Declared> declared_;
};

}  // namespace platform
