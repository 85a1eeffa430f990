// The self-update's end-to-end probe: the real update layer over the real Win32 adapters,
// pointed at the loopback stand-in for the maker's hosts. It asks for the update list,
// and when a release is offered, puts it in place of its own executable and the installed
// copy, exactly as the window's update does. One line per outcome on standard output for
// tests/e2e/update_test.sh to judge; the files left behind are judged there too.
//
//   update_probe CA.der [HOST]
//   update_probe --service-command LINE
//   update_probe --short-name PATH
//
// CA.der is the loopback server's throw-away authority; it goes into the machine's root
// store, which under Wine is the test's disposable prefix. HOST (default "localhost")
// stands for both the web and the download host. The second form points the
// "Veltrane" service at another command line, as an install from another folder left it
// (Wine's sc.exe cannot). The third prints PATH's short (8.3) form, a name to start the
// installed copy by. Never built into the program.
#include <windows.h>
// After <windows.h>, which it needs.
#include <wincrypt.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "app/product.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/win32/win32_system.h"
#include "support/utf.h"
#include "update/apply_update.h"
#include "update/update_check.h"

namespace {

void Say(const std::wstring& line) {
  std::fputs((support::ToUtf8(line) + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// Kept in the store for good: the prefix is thrown away after the test, and the
// authority's key was deleted as soon as it had signed.
bool TrustAuthority(const std::wstring& der_path) {
  const auto der = platform::Sys().files.ReadAtMost(der_path, 64 * 1024);
  if (!der) return false;
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (store == nullptr) return false;
  const bool added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                        reinterpret_cast<const BYTE*>(der->data()),
                                                        static_cast<DWORD>(der->size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr) &&
                     ::CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
  ::CertCloseStore(store, 0);
  return added;
}

bool PointService(const std::wstring& command_line) {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return false;
  SC_HANDLE service = ::OpenServiceW(manager, L"Veltrane", SERVICE_CHANGE_CONFIG);
  const bool changed =
      service != nullptr && ::ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                                   SERVICE_NO_CHANGE, command_line.c_str(), nullptr,
                                                   nullptr, nullptr, nullptr, nullptr, nullptr);
  if (service != nullptr) ::CloseServiceHandle(service);
  ::CloseServiceHandle(manager);
  return changed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  platform::InstallSystem(&platform::Win32System());
  if (argc == 3 && std::wstring(argv[1]) == L"--service-command")
    return PointService(argv[2]) ? 0 : 1;
  if (argc == 3 && std::wstring(argv[1]) == L"--short-name") {
    wchar_t short_name[MAX_PATH] = {};
    if (::GetShortPathNameW(argv[2], short_name, MAX_PATH) == 0) return 1;
    Say(short_name);
    return 0;
  }
  if (argc < 2 || argc > 3 || !TrustAuthority(argv[1])) {
    Say(L"usage: update_probe CA.der [HOST] (a readable certificate)");
    return 3;
  }
  const std::wstring host = argc == 3 ? argv[2] : L"localhost";
  const update::UpdateEndpoints loopback{host, host};
  update::AppUpdate offered;
  std::wstring error;
  if (!update::CheckForUpdate(loopback, kVersionText, offered, nullptr, error)) {
    Say(L"check: " + (error.empty() ? std::wstring(L"no newer release") : error));
    return 1;
  }
  Say(L"offered: " + offered.version + L" " + offered.url);
  const std::atomic<bool> cancel{false};
  if (update::ApplyAppUpdate(loopback, offered, nullptr, cancel, error) != 0) {
    Say(L"apply: " + error);
    return 2;
  }
  Say(L"apply: done");
  return 0;
}
