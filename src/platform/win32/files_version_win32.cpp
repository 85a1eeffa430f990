// The Files call that reads a version resource (version.dll).
#include <windows.h>

#include <vector>

#include "platform/win32/files_win32.h"
#include "platform/win32/win32_error.h"

namespace platform {
using win32::LastError;

support::Result<FileVersion> Win32Files::ReadFileVersion(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return LastError(L"GetFileVersionInfoSizeW " + path);
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
    return LastError(L"GetFileVersionInfoW " + path);
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return support::Fail(support::ErrorCode::kFailed, L"VerQueryValueW " + path, 1813);
  }
  return FileVersion{HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                     HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS)};
}

}  // namespace platform
