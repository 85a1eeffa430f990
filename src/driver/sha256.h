// Sha256: the incremental hash of a download as it streams, as lower-case hex.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {
class Sha256Hasher;
}

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // Starts over; false when the hash cannot be made.
  bool Start();
  // False once any step failed; later calls are ignored.
  bool Add(std::string_view bytes);
  // 64 lower-case hex digits ("%02x" per byte); empty when the hash could not be made.
  std::wstring Finish();

 private:
  std::unique_ptr<platform::Sha256Hasher> hasher_;
  bool failed_ = false;
};

// Whether `text` is 64 hex digits of either case.
bool IsSha256Text(const std::wstring& text);
