// Hashing port: SHA-256 over data that arrives in pieces (a download as it streams).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "support/result.h"

namespace platform {

using Sha256Digest = std::array<std::uint8_t, 32>;

class Sha256Hasher {
 public:
  virtual ~Sha256Hasher() = default;
  virtual support::Status Add(std::string_view bytes) = 0;
  // The digest of everything added; the hasher is spent afterwards.
  virtual support::Result<Sha256Digest> Finish() = 0;
};

class Hashing {
 public:
  virtual ~Hashing() = default;
  // A fresh SHA-256 (BCrypt's provider). kUnsupported when the provider cannot be opened.
  virtual support::Result<std::unique_ptr<Sha256Hasher>> StartSha256() = 0;
};

}  // namespace platform
