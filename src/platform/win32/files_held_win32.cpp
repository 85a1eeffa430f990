// The Files call that holds a file for checking and use (CreateFileW with read sharing).
#include "platform/win32/files_win32.h"
#include "platform/win32/win32_error.h"

namespace platform {

support::Result<std::unique_ptr<HeldFile>> Win32Files::OpenHeld(const std::wstring& path) {
  // The link itself is opened, never what it points at, and then refused below.
  win32::UniqueHandle handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle) return win32::LastError(L"CreateFileW " + path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle.Get(), &info)) {
    return win32::LastError(L"GetFileInformationByHandle " + path);
  }
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return support::Fail(support::ErrorCode::kAccessDenied, path, ERROR_ACCESS_DENIED);
  }
  return std::unique_ptr<HeldFile>(std::make_unique<Win32HeldFile>(path, std::move(handle)));
}

}  // namespace platform
