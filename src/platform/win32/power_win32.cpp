#include "platform/win32/power_win32.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/dll_export.h"

namespace platform {
namespace {

using support::ErrorCode;

// powrprof.dll stays loaded for the life of the process once it is asked for.
HMODULE Powrprof() {
  static const HMODULE module =
      ::LoadLibraryExW(L"powrprof.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return module;
}

template <typename Fn>
Fn Bind(const char* name) {
  return win32::BindExport<Fn>(Powrprof(), name);
}

support::PortError Missing(const wchar_t* call) {
  return support::Fail(ErrorCode::kUnsupported, call, ERROR_PROC_NOT_FOUND);
}

support::PortError Failed(DWORD code, const wchar_t* call) {
  // A system whose power calls are stubs (Wine's) says so with ERROR_CALL_NOT_IMPLEMENTED.
  const ErrorCode kind = code == ERROR_ACCESS_DENIED          ? ErrorCode::kAccessDenied
                         : code == ERROR_CALL_NOT_IMPLEMENTED ? ErrorCode::kUnsupported
                                                              : ErrorCode::kFailed;
  return support::Fail(kind, call, code);
}

GUID ToGuid(const support::Guid& g) {
  GUID out;
  out.Data1 = g.data1;
  out.Data2 = g.data2;
  out.Data3 = g.data3;
  std::memcpy(out.Data4, g.data4, sizeof(out.Data4));
  return out;
}

support::Guid FromGuid(const GUID& g) {
  support::Guid out;
  out.data1 = g.Data1;
  out.data2 = g.Data2;
  out.data3 = g.Data3;
  std::memcpy(out.data4, g.Data4, sizeof(out.data4));
  return out;
}

// PROCESSOR_POWER_INFORMATION, which the SDK headers do not always declare.
struct ProcessorPowerRecord {
  ULONG number;
  ULONG max_mhz;
  ULONG current_mhz;
  ULONG mhz_limit;
  ULONG max_idle_state;
  ULONG current_idle_state;
};
constexpr int kProcessorInformationLevel = 11;

using CallNtPowerInformationFn = LONG(WINAPI*)(int, PVOID, ULONG, PVOID, ULONG);
using GetActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
using SetActiveSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*);
using ReadIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);
using WriteIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
using WriteAttributesFn = DWORD(WINAPI*)(const GUID*, const GUID*, DWORD);
using EnumerateFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, int, ULONG, UCHAR*, DWORD*);
constexpr int kAccessScheme = 16;  // ACCESS_SCHEME

}  // namespace

support::Result<std::vector<ProcessorPower>> Win32Power::ProcessorInformation(std::uint32_t count) {
  auto call = Bind<CallNtPowerInformationFn>("CallNtPowerInformation");
  if (call == nullptr) return Missing(L"CallNtPowerInformation");
  std::vector<ProcessorPowerRecord> records(count == 0 ? 1 : count);
  const LONG status = call(kProcessorInformationLevel, nullptr, 0, records.data(),
                           static_cast<ULONG>(records.size() * sizeof(ProcessorPowerRecord)));
  if (status != 0) {
    return support::Fail(ErrorCode::kFailed, L"CallNtPowerInformation",
                         static_cast<std::uint32_t>(status));
  }
  std::vector<ProcessorPower> result;
  for (const ProcessorPowerRecord& r : records) {
    result.push_back(ProcessorPower{r.number, r.max_mhz, r.current_mhz, r.mhz_limit});
  }
  return result;
}

support::Result<support::Guid> Win32Power::ActiveScheme() {
  auto get = Bind<GetActiveSchemeFn>("PowerGetActiveScheme");
  if (get == nullptr) return Missing(L"PowerGetActiveScheme");
  GUID* scheme = nullptr;
  const DWORD code = get(nullptr, &scheme);
  if (code != ERROR_SUCCESS || scheme == nullptr) return Failed(code, L"PowerGetActiveScheme");
  const support::Guid result = FromGuid(*scheme);
  ::LocalFree(scheme);
  return result;
}

support::Status Win32Power::SetActiveScheme(const support::Guid& scheme) {
  auto set = Bind<SetActiveSchemeFn>("PowerSetActiveScheme");
  if (set == nullptr) return Missing(L"PowerSetActiveScheme");
  const GUID raw = ToGuid(scheme);
  const DWORD code = set(nullptr, &raw);
  if (code != ERROR_SUCCESS) return Failed(code, L"PowerSetActiveScheme");
  return {};
}

support::Result<std::uint32_t> Win32Power::ReadValueIndex(const support::Guid& scheme,
                                                          const support::Guid& subgroup,
                                                          const support::Guid& setting,
                                                          PowerSource source) {
  const char* name = source == PowerSource::kAc ? "PowerReadACValueIndex" : "PowerReadDCValueIndex";
  auto read = Bind<ReadIndexFn>(name);
  if (read == nullptr) return Missing(L"PowerReadValueIndex");
  const GUID s = ToGuid(scheme), g = ToGuid(subgroup), v = ToGuid(setting);
  DWORD value = 0;
  const DWORD code = read(nullptr, &s, &g, &v, &value);
  if (code == ERROR_FILE_NOT_FOUND) {
    return support::Fail(ErrorCode::kNotFound, L"PowerReadValueIndex", code);
  }
  if (code != ERROR_SUCCESS) return Failed(code, L"PowerReadValueIndex");
  return std::uint32_t{value};
}

support::Status Win32Power::WriteValueIndex(const support::Guid& scheme,
                                            const support::Guid& subgroup,
                                            const support::Guid& setting, PowerSource source,
                                            std::uint32_t value) {
  const char* name =
      source == PowerSource::kAc ? "PowerWriteACValueIndex" : "PowerWriteDCValueIndex";
  auto write = Bind<WriteIndexFn>(name);
  if (write == nullptr) return Missing(L"PowerWriteValueIndex");
  const GUID s = ToGuid(scheme), g = ToGuid(subgroup), v = ToGuid(setting);
  const DWORD code = write(nullptr, &s, &g, &v, value);
  if (code != ERROR_SUCCESS) return Failed(code, L"PowerWriteValueIndex");
  return {};
}

support::Status Win32Power::WriteSettingAttributes(const support::Guid& subgroup,
                                                   const support::Guid& setting,
                                                   std::uint32_t attributes) {
  auto write = Bind<WriteAttributesFn>("PowerWriteSettingAttributes");
  if (write == nullptr) return Missing(L"PowerWriteSettingAttributes");
  const GUID g = ToGuid(subgroup), v = ToGuid(setting);
  const DWORD code = write(&g, &v, attributes);
  if (code != ERROR_SUCCESS) return Failed(code, L"PowerWriteSettingAttributes");
  return {};
}

PowerSchemeList Win32Power::EnumerateSchemes() {
  auto enumerate = Bind<EnumerateFn>("PowerEnumerate");
  if (enumerate == nullptr) return {{}, Missing(L"PowerEnumerate")};
  PowerSchemeList list;
  for (ULONG index = 0;; ++index) {
    GUID scheme{};
    DWORD size = sizeof(scheme);
    const DWORD code = enumerate(nullptr, nullptr, nullptr, kAccessScheme, index,
                                 reinterpret_cast<UCHAR*>(&scheme), &size);
    if (code == ERROR_NO_MORE_ITEMS) break;
    if (code != ERROR_SUCCESS) {
      list.complete = Failed(code, L"PowerEnumerate");
      break;
    }
    list.schemes.push_back(FromGuid(scheme));
  }
  return list;
}

}  // namespace platform
