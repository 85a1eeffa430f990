// The loopback servers of the network suite as the test runner announces them: ports and
// the run's certificate authority in environment variables. The authority is trusted
// through the machine's own root store, which under Wine lives in the disposable prefix;
// the host's store is never touched.
#include <windows.h>
// After <windows.h>, which it needs.
#include <gtest/gtest.h>
#include <wincrypt.h>

#include <cwchar>
#include <string>

#include "contract/contract_system.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/win32/win32_system.h"

namespace contract {
namespace {

std::optional<std::uint16_t> PortFrom(const wchar_t* variable) {
  const auto text = platform::Win32System().environment.Variable(variable);
  if (!text || text->empty() || text->size() > 5) return std::nullopt;
  const unsigned long port = std::wcstoul(text->c_str(), nullptr, 10);
  if (port == 0 || port > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

// The authority in the local machine's root store for as long as the test program runs.
// Should the program die first, the entry stays behind harmlessly: nobody holds its key.
class TrustedAuthority {
 public:
  explicit TrustedAuthority(const std::wstring& der_path) {
    const auto der = platform::Win32System().files.ReadAtMost(der_path, 64 * 1024);
    if (!der) {
      trouble_ = "cannot read the authority's certificate (error " +
                 std::to_string(der.error().win32_error) + ")";
      return;
    }
    store_ =
        ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (store_ == nullptr) {
      trouble_ = "CertOpenStore(Root) failed: " + std::to_string(::GetLastError());
      return;
    }
    if (!::CertAddEncodedCertificateToStore(
            store_, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der->data()),
            static_cast<DWORD>(der->size()), CERT_STORE_ADD_REPLACE_EXISTING, &added_)) {
      trouble_ = "CertAddEncodedCertificateToStore failed: " + std::to_string(::GetLastError());
      return;
    }
    // Wine keeps a change to a registry-backed store in memory until it is committed or
    // closed, and certificate checks read the registry.
    if (!::CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr)) {
      trouble_ = "CertControlStore(COMMIT) failed: " + std::to_string(::GetLastError());
    }
  }
  ~TrustedAuthority() {
    if (added_ != nullptr) ::CertDeleteCertificateFromStore(added_);  // frees the context
    if (store_ != nullptr) ::CertCloseStore(store_, 0);
  }
  TrustedAuthority(const TrustedAuthority&) = delete;
  TrustedAuthority& operator=(const TrustedAuthority&) = delete;

  const std::string& trouble() const { return trouble_; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
  std::string trouble_;
};

}  // namespace

std::optional<std::uint16_t> LoopbackHttpPort() { return PortFrom(L"VELTRANE_TEST_HTTP_PORT"); }

std::optional<LoopbackTls> LoopbackHttpsServer() {
  const auto port = PortFrom(L"VELTRANE_TEST_HTTPS_PORT");
  const auto der_path = platform::Win32System().environment.Variable(L"VELTRANE_TEST_CA_FILE");
  if (!port || !der_path || der_path->empty()) return std::nullopt;
  static const TrustedAuthority authority(*der_path);
  return LoopbackTls{*port, authority.trouble()};
}

namespace {

// The authority is trusted before the first test runs: the certificate chain engine reads
// the root store once, when it is first used, so an authority added after a signature
// check had built a chain would go unseen by the TLS tests.
class TrustAuthorityFirst : public ::testing::Environment {
 public:
  void SetUp() override { (void)LoopbackHttpsServer(); }
};
[[maybe_unused]] ::testing::Environment* const kTrustAuthorityFirst =
    ::testing::AddGlobalTestEnvironment(new TrustAuthorityFirst);

}  // namespace

}  // namespace contract
