// SimHashing: SHA-256 written out in full (FIPS 180-4), so sim runs hash what they
// stream exactly as BCrypt would. A test can make the next start fail.
#pragma once

#include <mutex>

#include "platform/hashing.h"

namespace platform {

class SimHashing final : public Hashing {
 public:
  support::Result<std::unique_ptr<Sha256Hasher>> StartSha256() override;

  // Test control: the next StartSha256 fails (kUnsupported, as without the provider).
  void FailNextStart();

 private:
  std::mutex mutex_;
  bool fail_next_ = false;
};

}  // namespace platform
