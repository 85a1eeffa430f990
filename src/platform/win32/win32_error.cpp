#include "platform/win32/win32_error.h"

namespace platform::win32 {
using support::ErrorCode;

support::PortError FromWin32(DWORD code, std::wstring what) {
  ErrorCode kind = ErrorCode::kFailed;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      kind = ErrorCode::kNotFound;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      kind = ErrorCode::kAccessDenied;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      kind = ErrorCode::kAlreadyExists;
      break;
    case ERROR_CALL_NOT_IMPLEMENTED:
    case ERROR_PROC_NOT_FOUND:
      kind = ErrorCode::kUnsupported;
      break;
    case ERROR_INVALID_PARAMETER:
      kind = ErrorCode::kInvalidArgument;
      break;
    case WAIT_TIMEOUT:
      kind = ErrorCode::kTimeout;
      break;
    default:
      break;
  }
  return support::Fail(kind, std::move(what), code);
}

support::PortError LastError(std::wstring what) {
  const DWORD code = ::GetLastError();
  return FromWin32(code, std::move(what));
}

}  // namespace platform::win32
