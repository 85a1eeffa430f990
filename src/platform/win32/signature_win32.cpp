#include "platform/win32/signature_win32.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/win32/win32_error.h"

namespace platform {
namespace {

// The leaf certificate's simple display name ("NVIDIA Corporation").
std::wstring SignerName(HANDLE state) {
  CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(state);
  if (provider == nullptr) return {};
  CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (signer == nullptr) return {};
  CRYPT_PROVIDER_CERT* cert = ::WTHelperGetProvCertFromChain(signer, 0);
  if (cert == nullptr || cert->pCert == nullptr) return {};
  wchar_t name[256] = {};
  ::CertGetNameStringW(cert->pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 256);
  return name;
}

}  // namespace

support::Result<FileSignature> Win32Signature::VerifyFile(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return win32::LastError(L"GetFileAttributesW " + path);
  }
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG verdict = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  FileSignature result;
  if (verdict == ERROR_SUCCESS) {
    result.state = SignatureState::kValid;
    result.signer = SignerName(data.hWVTStateData);
  } else if (verdict == TRUST_E_NOSIGNATURE || verdict == TRUST_E_SUBJECT_FORM_UNKNOWN) {
    result.state = SignatureState::kUnsigned;
  } else {
    result.state = SignatureState::kInvalid;
  }
  // The verify step keeps state that only the close step frees.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  return result;
}

}  // namespace platform
