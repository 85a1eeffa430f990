#include "platform/win32/signature_win32.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <string_view>
#include <vector>

#include "platform/win32/files_win32.h"
#include "platform/win32/system_module.h"

namespace platform {
namespace {

// wintrust.dll and crypt32.dll are not KnownDLLs, so they are bound from System32 (see
// SystemModule).
struct TrustCalls {
  decltype(&::WinVerifyTrust) WinVerifyTrust;
  decltype(&::WTHelperProvDataFromStateData) WTHelperProvDataFromStateData;
  decltype(&::WTHelperGetProvSignerFromChain) WTHelperGetProvSignerFromChain;
  decltype(&::WTHelperGetProvCertFromChain) WTHelperGetProvCertFromChain;
  decltype(&::CertGetNameStringW) CertGetNameStringW;
  decltype(&::CertGetEnhancedKeyUsage) CertGetEnhancedKeyUsage;
  bool complete = false;
};

const TrustCalls& Trust() {
  static const TrustCalls bound = [] {
    win32::SystemModule wintrust(L"wintrust.dll");
    win32::SystemModule crypt32(L"crypt32.dll");
    TrustCalls calls{};
    calls.WinVerifyTrust = VELTRANE_BIND(wintrust, WinVerifyTrust);
    calls.WTHelperProvDataFromStateData = VELTRANE_BIND(wintrust, WTHelperProvDataFromStateData);
    calls.WTHelperGetProvSignerFromChain = VELTRANE_BIND(wintrust, WTHelperGetProvSignerFromChain);
    calls.WTHelperGetProvCertFromChain = VELTRANE_BIND(wintrust, WTHelperGetProvCertFromChain);
    calls.CertGetNameStringW = VELTRANE_BIND(crypt32, CertGetNameStringW);
    calls.CertGetEnhancedKeyUsage = VELTRANE_BIND(crypt32, CertGetEnhancedKeyUsage);
    calls.complete = wintrust.complete() && crypt32.complete();
    return calls;
  }();
  return bound;
}

// The leaf certificate of the first signer; null when the state holds none.
PCCERT_CONTEXT SignerCertificate(HANDLE state) {
  CRYPT_PROVIDER_DATA* provider = Trust().WTHelperProvDataFromStateData(state);
  if (provider == nullptr) return nullptr;
  CRYPT_PROVIDER_SGNR* signer = Trust().WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (signer == nullptr) return nullptr;
  CRYPT_PROVIDER_CERT* cert = Trust().WTHelperGetProvCertFromChain(signer, 0);
  return cert == nullptr ? nullptr : cert->pCert;
}

// One attribute of the subject (szOID_ORGANIZATION_NAME, szOID_COMMON_NAME); empty when
// the subject has none.
std::wstring SubjectAttribute(PCCERT_CONTEXT cert, const char* oid) {
  wchar_t text[256] = {};
  Trust().CertGetNameStringW(cert, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), text, 256);
  return text;
}

// Code signing named among the extended key usages; a certificate without the extension
// (good for every use) does not count.
bool AllowsCodeSigning(PCCERT_CONTEXT cert) {
  DWORD size = 0;
  if (!Trust().CertGetEnhancedKeyUsage(cert, 0, nullptr, &size) || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data());
  if (!Trust().CertGetEnhancedKeyUsage(cert, 0, usage, &size)) return false;
  for (DWORD i = 0; i < usage->cUsageIdentifier; ++i) {
    if (std::string_view(usage->rgpszUsageIdentifier[i]) == szOID_PKIX_KP_CODE_SIGNING) {
      return true;
    }
  }
  return false;
}

}  // namespace

support::Result<FileSignature> Win32Signature::VerifyFile(const HeldFile& file) {
  if (!Trust().complete) {
    return support::Fail(support::ErrorCode::kUnsupported, L"wintrust.dll", ERROR_PROC_NOT_FOUND);
  }
  // Win32Files made the held file; the check reads through its handle, not the path.
  WINTRUST_FILE_INFO info{};
  info.cbStruct = sizeof(info);
  info.pcwszFilePath = file.path().c_str();
  info.hFile = static_cast<const Win32HeldFile&>(file).handle();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &info;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG verdict =
      Trust().WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  FileSignature result;
  if (verdict == ERROR_SUCCESS) {
    result.state = SignatureState::kValid;
    if (PCCERT_CONTEXT cert = SignerCertificate(data.hWVTStateData)) {
      result.organization = SubjectAttribute(cert, szOID_ORGANIZATION_NAME);
      result.common_name = SubjectAttribute(cert, szOID_COMMON_NAME);
      result.code_signing = AllowsCodeSigning(cert);
    }
  } else if (verdict == TRUST_E_NOSIGNATURE || verdict == TRUST_E_SUBJECT_FORM_UNKNOWN) {
    result.state = SignatureState::kUnsigned;
  } else {
    result.state = SignatureState::kInvalid;
  }
  // The verify step keeps state that only the close step frees.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  Trust().WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

}  // namespace platform
