#include "platform/win32/system_restore_win32.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/dll_export.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

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

}  // namespace

support::Result<RestorePointResult> Win32SystemRestore::SetRestorePoint(
    const RestorePointRequest& request) {
  HMODULE module = ::LoadLibraryExW(L"srclient.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module == nullptr) {
    return support::Fail(support::ErrorCode::kNotFound, L"srclient.dll", ::GetLastError());
  }
  auto set = win32::BindExport<SetRestorePointFn>(module, "SRSetRestorePointW");
  if (set == nullptr) {
    ::FreeLibrary(module);
    return support::Fail(support::ErrorCode::kUnsupported, L"SRSetRestorePointW",
                         ERROR_PROC_NOT_FOUND);
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

}  // namespace platform
