// The Files call that reads a version resource (version.dll).
#include <windows.h>

#include <vector>

#include "platform/win32/files_win32.h"
#include "platform/win32/system_module.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;
namespace {

// version.dll is not a KnownDLL, so it is bound from System32 (see SystemModule).
struct VersionCalls {
  decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
  decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
  decltype(&::VerQueryValueW) VerQueryValueW;
  bool complete = false;
};

const VersionCalls& Version() {
  static const VersionCalls bound = [] {
    win32::SystemModule dll(L"version.dll");
    VersionCalls calls{};
    calls.GetFileVersionInfoSizeW = VELTRANE_BIND(dll, GetFileVersionInfoSizeW);
    calls.GetFileVersionInfoW = VELTRANE_BIND(dll, GetFileVersionInfoW);
    calls.VerQueryValueW = VELTRANE_BIND(dll, VerQueryValueW);
    calls.complete = dll.complete();
    return calls;
  }();
  return bound;
}

}  // namespace

support::Result<FileVersion> Win32Files::ReadFileVersion(const std::wstring& path) {
  const VersionCalls& version = Version();
  if (!version.complete) {
    return support::Fail(support::ErrorCode::kUnsupported, L"version.dll", ERROR_PROC_NOT_FOUND);
  }
  DWORD ignored = 0;
  const DWORD size = version.GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return LastError(L"GetFileVersionInfoSizeW " + path);
  std::vector<BYTE> block(size);
  if (!version.GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
    return LastError(L"GetFileVersionInfoW " + path);
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!version.VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return support::Fail(support::ErrorCode::kFailed, L"VerQueryValueW " + path, 1813);
  }
  return FileVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                     HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

}  // namespace platform
