// The Hashing port over BCrypt's SHA-256 provider.
#pragma once

#include "platform/hashing.h"

namespace platform {

class Win32Hashing final : public Hashing {
 public:
  support::Result<std::unique_ptr<Sha256Hasher>> StartSha256() override;
};

}  // namespace platform
