#include "platform/win32/account_win32.h"

#include <windows.h>

#include <vector>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;

support::Result<std::wstring> Win32Account::CurrentUser() {
  // Step 1: the token's user SID.
  win32::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) {
    return LastError(L"OpenProcessToken");
  }
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) {
    return LastError(L"GetTokenInformation");
  }
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  // Step 2: its account and domain names, sized by a first call.
  DWORD name_len = 0, domain_len = 0;
  SID_NAME_USE use{};
  ::LookupAccountSidW(nullptr, sid, nullptr, &name_len, nullptr, &domain_len, &use);
  std::wstring name(name_len, L'\0'), domain(domain_len, L'\0');
  if (name_len == 0 || !::LookupAccountSidW(nullptr, sid, name.data(), &name_len, domain.data(),
                                            &domain_len, &use)) {
    return LastError(L"LookupAccountSidW");
  }
  name.resize(name_len);
  domain.resize(domain_len);
  return domain + L"\\" + name;
}

}  // namespace platform
