#include "platform/win32/hashing_win32.h"

#include <windows.h>
// After <windows.h>, which it needs.
#include <bcrypt.h>

#include <string>

#include "platform/win32/system_module.h"

namespace platform {
namespace {

// bcrypt.dll is not a KnownDLL, so it is bound from System32 (see SystemModule).
struct BCryptCalls {
  decltype(&::BCryptCloseAlgorithmProvider) CloseAlgorithmProvider;
  decltype(&::BCryptCreateHash) CreateHash;
  decltype(&::BCryptDestroyHash) DestroyHash;
  decltype(&::BCryptFinishHash) FinishHash;
  decltype(&::BCryptHashData) HashData;
  decltype(&::BCryptOpenAlgorithmProvider) OpenAlgorithmProvider;
  bool complete = false;
};

const BCryptCalls& BCrypt() {
  static const BCryptCalls bound = [] {
    win32::SystemModule dll(L"bcrypt.dll");
    BCryptCalls calls{};
    calls.CloseAlgorithmProvider = VELTRANE_BIND(dll, BCryptCloseAlgorithmProvider);
    calls.CreateHash = VELTRANE_BIND(dll, BCryptCreateHash);
    calls.DestroyHash = VELTRANE_BIND(dll, BCryptDestroyHash);
    calls.FinishHash = VELTRANE_BIND(dll, BCryptFinishHash);
    calls.HashData = VELTRANE_BIND(dll, BCryptHashData);
    calls.OpenAlgorithmProvider = VELTRANE_BIND(dll, BCryptOpenAlgorithmProvider);
    calls.complete = dll.complete();
    return calls;
  }();
  return bound;
}

// NTSTATUS values are not Win32 codes; they travel as they are, for the log.
support::PortError StatusError(NTSTATUS status, const wchar_t* call) {
  return support::Fail(support::ErrorCode::kFailed, call, static_cast<std::uint32_t>(status));
}

class Win32Sha256 final : public Sha256Hasher {
 public:
  Win32Sha256(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE hash)
      : algorithm_(algorithm), hash_(hash) {}
  ~Win32Sha256() override {
    if (hash_ != nullptr) BCrypt().DestroyHash(hash_);
    BCrypt().CloseAlgorithmProvider(algorithm_, 0);
  }
  Win32Sha256(const Win32Sha256&) = delete;
  Win32Sha256& operator=(const Win32Sha256&) = delete;

  support::Status Add(std::string_view bytes) override {
    // BCryptHashData takes a 32-bit count.
    while (!bytes.empty()) {
      const ULONG slice = bytes.size() > 0x40000000 ? 0x40000000 : static_cast<ULONG>(bytes.size());
      const NTSTATUS status = BCrypt().HashData(
          hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())), slice, 0);
      if (!BCRYPT_SUCCESS(status)) return StatusError(status, L"BCryptHashData");
      bytes.remove_prefix(slice);
    }
    return {};
  }

  support::Result<Sha256Digest> Finish() override {
    Sha256Digest digest{};
    const NTSTATUS status = BCrypt().FinishHash(hash_, digest.data(), digest.size(), 0);
    if (!BCRYPT_SUCCESS(status)) return StatusError(status, L"BCryptFinishHash");
    return digest;
  }

 private:
  BCRYPT_ALG_HANDLE algorithm_;
  BCRYPT_HASH_HANDLE hash_;
};

}  // namespace

support::Result<std::unique_ptr<Sha256Hasher>> Win32Hashing::StartSha256() {
  if (!BCrypt().complete) {
    return support::Fail(support::ErrorCode::kUnsupported, L"bcrypt.dll", ERROR_PROC_NOT_FOUND);
  }
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  NTSTATUS status = BCrypt().OpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
  if (!BCRYPT_SUCCESS(status)) {
    return support::Fail(support::ErrorCode::kUnsupported, L"BCryptOpenAlgorithmProvider",
                         static_cast<std::uint32_t>(status));
  }
  BCRYPT_HASH_HANDLE hash = nullptr;
  status = BCrypt().CreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0);
  if (!BCRYPT_SUCCESS(status)) {
    BCrypt().CloseAlgorithmProvider(algorithm, 0);
    return StatusError(status, L"BCryptCreateHash");
  }
  return std::unique_ptr<Sha256Hasher>(std::make_unique<Win32Sha256>(algorithm, hash));
}

}  // namespace platform
