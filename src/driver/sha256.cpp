#include "driver/sha256.h"

#include "platform/hashing.h"
#include "platform/system.h"

Sha256::Sha256() = default;
Sha256::~Sha256() = default;

bool Sha256::Start() {
  auto started = platform::Sys().hashing.StartSha256();
  failed_ = !started;
  hasher_ = started ? std::move(started.value()) : nullptr;
  return !failed_;
}

bool Sha256::Add(std::string_view bytes) {
  if (failed_ || !hasher_) return false;
  failed_ = !hasher_->Add(bytes);
  return !failed_;
}

std::wstring Sha256::Finish() {
  if (failed_ || !hasher_) return {};
  const auto digest = hasher_->Finish();
  hasher_.reset();
  if (!digest) return {};
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring text;
  for (const std::uint8_t byte : *digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 0xF];
  }
  return text;
}

bool IsSha256Text(const std::wstring& text) {
  if (text.size() != 64) return false;
  for (const wchar_t c : text) {
    const bool hex =
        (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
    if (!hex) return false;
  }
  return true;
}
