#include "platform/sim/signature_sim.h"

#include <utility>

namespace platform {

SimSignature::SimSignature(SimFiles& files) : files_(files) {}

support::Result<FileSignature> SimSignature::VerifyFile(const HeldFile& file) {
  auto bytes = files_.ReadAll(file.path());
  if (!bytes) return bytes.error();
  std::lock_guard lock(mutex_);
  for (const Declared& declared : declared_) {
    if (declared.bytes == *bytes) return declared.signature;
  }
  return FileSignature{};
}

void SimSignature::Sign(std::string bytes, const std::wstring& organization,
                        const std::wstring& common_name, bool code_signing) {
  std::lock_guard lock(mutex_);
  declared_.push_back(
      {std::move(bytes), {SignatureState::kValid, organization, common_name, code_signing}});
}

void SimSignature::SignInvalid(std::string bytes) {
  std::lock_guard lock(mutex_);
  declared_.push_back({std::move(bytes), {SignatureState::kInvalid, L"", L"", false}});
}

}  // namespace platform
