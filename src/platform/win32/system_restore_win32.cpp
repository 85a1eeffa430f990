#include "platform/win32/system_restore_win32.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <aclapi.h>
#include <wbemcli.h>

#include <algorithm>
#include <cwchar>
#include <iterator>
#include <mutex>
#include <optional>

#include "platform/win32/com_ptr.h"
#include "platform/win32/dll_export.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

using support::ErrorCode;
using win32::Bstr;
using win32::Com;

// RESTOREPOINTINFOW and STATEMGRSTATUS, byte-packed as srrestoreptapi.h declares them.
#pragma pack(push, 1)
struct RestorePointInfoW {
  DWORD event_type;
  DWORD restore_type;
  INT64 sequence_number;
  WCHAR description[256];
};
struct StateManagerStatus {
  DWORD status;
  INT64 sequence_number;
};
#pragma pack(pop)

using SetRestorePointFn = BOOL(WINAPI*)(RestorePointInfoW*, StateManagerStatus*);

// {4590F811-1D3A-11D0-891F-00AA004B2E24}
constexpr CLSID kClsidWbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
// {DC12A687-737F-11CF-884D-00AA004B2E24}
constexpr IID kIidWbemLocator = {
    0xdc12a687, 0x737f, 0x11cf, {0x88, 0x4d, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
constexpr long kListTimeoutMs = 30000;

// System Restore's service calls back into the requesting process as NetworkService,
// LocalService or SYSTEM, so COM security must let them in. It can be set once per process
// and only before COM marshals anything: a process that already set it (RPC_E_TOO_LATE)
// keeps its own, and the request is made all the same. The level is impersonate, not the
// identify of the restore-point sample, because the same process later asks WMI and Task
// Scheduler, which act as the caller.
void AllowSystemRestoreCallbacksOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    const WELL_KNOWN_SID_TYPE kCallers[] = {WinBuiltinAdministratorsSid, WinLocalServiceSid,
                                            WinNetworkServiceSid, WinSelfSid, WinLocalSystemSid};
    constexpr std::size_t kCount = std::size(kCallers);
    BYTE sids[kCount][SECURITY_MAX_SID_SIZE] = {};
    EXPLICIT_ACCESSW access[kCount] = {};
    for (std::size_t i = 0; i < kCount; ++i) {
      DWORD size = SECURITY_MAX_SID_SIZE;
      if (!::CreateWellKnownSid(kCallers[i], nullptr, sids[i], &size)) return;
      access[i].grfAccessPermissions = COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL;
      access[i].grfAccessMode = SET_ACCESS;
      access[i].grfInheritance = NO_INHERITANCE;
      access[i].Trustee.TrusteeForm = TRUSTEE_IS_SID;
      access[i].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
      access[i].Trustee.ptstrName = reinterpret_cast<LPWSTR>(sids[i]);
    }
    PACL acl = nullptr;
    if (::SetEntriesInAclW(kCount, access, nullptr, &acl) != ERROR_SUCCESS) return;
    // CoInitializeSecurity takes an absolute descriptor only, with an owner and a group.
    SECURITY_DESCRIPTOR descriptor;
    if (::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        ::SetSecurityDescriptorOwner(&descriptor, sids[0], FALSE) &&
        ::SetSecurityDescriptorGroup(&descriptor, sids[0], FALSE) &&
        ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
      (void)::CoInitializeSecurity(&descriptor, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                   RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                   EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL, nullptr);
    }
    ::LocalFree(acl);
  });
}

support::PortError WmiFailed(HRESULT hr, const wchar_t* what) {
  const bool missing = hr == static_cast<HRESULT>(WBEM_E_INVALID_CLASS) ||
                       hr == static_cast<HRESULT>(WBEM_E_INVALID_NAMESPACE) ||
                       hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND) || hr == REGDB_E_CLASSNOTREG;
  return support::Fail(missing ? ErrorCode::kUnsupported : ErrorCode::kFailed, what,
                       static_cast<std::uint32_t>(hr));
}

// CIM DATETIME "yyyymmddHHMMSS.mmmmmmsUUU", the last part the offset from UTC in minutes,
// as local time; nullopt when it is not one.
std::optional<LocalTime> LocalTimeOfCim(const wchar_t* text) {
  if (text == nullptr || std::wcslen(text) != 25 || text[14] != L'.' ||
      (text[21] != L'+' && text[21] != L'-')) {
    return std::nullopt;
  }
  auto number = [text](int from, int length) {
    unsigned value = 0;
    for (int i = from; i < from + length; ++i) {
      if (text[i] < L'0' || text[i] > L'9') return ~0u;
      value = value * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    return value;
  };
  SYSTEMTIME stamp{};
  const unsigned fields[] = {number(0, 4), number(4, 2),  number(6, 2),
                             number(8, 2), number(10, 2), number(12, 2)};
  const unsigned offset = number(22, 3);
  if (std::find(std::begin(fields), std::end(fields), ~0u) != std::end(fields) || offset == ~0u) {
    return std::nullopt;
  }
  stamp.wYear = static_cast<WORD>(fields[0]);
  stamp.wMonth = static_cast<WORD>(fields[1]);
  stamp.wDay = static_cast<WORD>(fields[2]);
  stamp.wHour = static_cast<WORD>(fields[3]);
  stamp.wMinute = static_cast<WORD>(fields[4]);
  stamp.wSecond = static_cast<WORD>(fields[5]);
  FILETIME file{};
  if (!::SystemTimeToFileTime(&stamp, &file)) return std::nullopt;
  ULARGE_INTEGER units{};
  units.LowPart = file.dwLowDateTime;
  units.HighPart = file.dwHighDateTime;
  const ULONGLONG shift = static_cast<ULONGLONG>(offset) * 60 * 10'000'000;
  units.QuadPart = text[21] == L'+' ? units.QuadPart - shift : units.QuadPart + shift;
  file.dwLowDateTime = units.LowPart;
  file.dwHighDateTime = units.HighPart;
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!::FileTimeToSystemTime(&file, &utc) ||
      !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    return std::nullopt;
  }
  return LocalTime{local.wYear, local.wMonth,  local.wDay,
                   local.wHour, local.wMinute, local.wSecond};
}

// A row without a number or a time belongs to a class that only stands in for System
// Restore (Wine's has one such row): kUnsupported, as when there is no class at all.
support::Result<RestorePoint> PointOf(const VARIANT& sequence, const VARIANT& created) {
  const bool numbered = (sequence.vt == VT_I4 || sequence.vt == VT_UI4) && sequence.lVal != 0;
  if (!numbered || created.vt != VT_BSTR) {
    return support::Fail(ErrorCode::kUnsupported, L"SystemRestore row without a point", 0);
  }
  const auto time = LocalTimeOfCim(created.bstrVal);
  if (!time) return support::Fail(ErrorCode::kFailed, L"SystemRestore CreationTime", 0);
  return RestorePoint{static_cast<std::uint32_t>(sequence.lVal), *time};
}

support::Result<RestorePoint> ReadRow(IWbemClassObject& row) {
  VARIANT sequence;
  VARIANT created;
  ::VariantInit(&sequence);
  ::VariantInit(&created);
  HRESULT hr = row.Get(L"SequenceNumber", 0, &sequence, nullptr, nullptr);
  if (SUCCEEDED(hr)) hr = row.Get(L"CreationTime", 0, &created, nullptr, nullptr);
  auto point = SUCCEEDED(hr) ? PointOf(sequence, created)
                             : support::Result<RestorePoint>(WmiFailed(hr, L"SystemRestore row"));
  ::VariantClear(&sequence);
  ::VariantClear(&created);
  return point;
}

}  // namespace

support::Result<RestorePointResult> Win32SystemRestore::SetRestorePoint(
    const RestorePointRequest& request) {
  const win32::ComScope com;
  AllowSystemRestoreCallbacksOnce();
  HMODULE module = ::LoadLibraryExW(L"srclient.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    return support::Fail(ErrorCode::kNotFound, L"srclient.dll", ::GetLastError());
  }
  auto set = win32::BindExport<SetRestorePointFn>(module, "SRSetRestorePointW");
  if (set == nullptr) {
    ::FreeLibrary(module);
    return support::Fail(ErrorCode::kUnsupported, L"SRSetRestorePointW", ERROR_PROC_NOT_FOUND);
  }
  RestorePointInfoW info{};
  info.event_type = request.event_type;
  info.restore_type = request.restore_type;
  info.sequence_number = request.sequence_number;
  const std::size_t length = std::min<std::size_t>(request.description.size(), 255);
  std::copy_n(request.description.c_str(), length, info.description);
  StateManagerStatus status{};
  const BOOL accepted = set(&info, &status);
  ::FreeLibrary(module);
  return RestorePointResult{accepted != FALSE, status.status, status.sequence_number};
}

support::Result<std::optional<RestorePoint>> Win32SystemRestore::NewestRestorePoint() {
  const win32::ComScope com;
  AllowSystemRestoreCallbacksOnce();
  Com<IWbemLocator> locator;
  HRESULT hr = ::CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kIidWbemLocator,
                                  reinterpret_cast<void**>(locator.Put()));
  if (FAILED(hr)) return WmiFailed(hr, L"CoCreateInstance WbemLocator");
  Com<IWbemServices> services;
  const Bstr space(L"ROOT\\DEFAULT");
  hr = locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                              services.Put());
  if (FAILED(hr)) return WmiFailed(hr, L"IWbemLocator::ConnectServer root\\default");
  // WMI reads the points as the caller: the proxy must be allowed to impersonate.
  hr = ::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_DEFAULT, RPC_C_AUTHZ_NONE, nullptr,
                           RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  if (FAILED(hr)) return WmiFailed(hr, L"CoSetProxyBlanket");
  Com<IEnumWbemClassObject> rows;
  const Bstr language(L"WQL");
  const Bstr query(L"SELECT SequenceNumber, CreationTime FROM SystemRestore");
  hr = services->ExecQuery(language.get(), query.get(),
                           WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                           rows.Put());
  if (FAILED(hr)) return WmiFailed(hr, L"SystemRestore query");
  std::optional<RestorePoint> newest;
  for (;;) {
    Com<IWbemClassObject> row;
    ULONG count = 0;
    hr = rows->Next(kListTimeoutMs, 1, row.Put(), &count);
    if (FAILED(hr)) return WmiFailed(hr, L"SystemRestore query");
    if (hr == WBEM_S_TIMEDOUT) {
      return support::Fail(ErrorCode::kTimeout, L"SystemRestore query", WBEM_S_TIMEDOUT);
    }
    if (count == 0) break;
    auto point = ReadRow(*row.Get());
    if (!point) return point.error();
    if (!newest || point->sequence_number > newest->sequence_number) newest = *point;
  }
  return newest;
}

}  // namespace platform
