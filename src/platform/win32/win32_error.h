// Turns a Win32 error code into the port's PortError on the line that failed, before a
// later call overwrites GetLastError.
#pragma once

#include <windows.h>

#include <string>

#include "support/result.h"

namespace platform::win32 {

// 2/3 kNotFound, 5/32 kAccessDenied, 80/183 kAlreadyExists, 120/127 kUnsupported,
// 87 kInvalidArgument, 258 kTimeout, anything else kFailed; the raw code is kept.
support::PortError FromWin32(DWORD code, std::wstring what);
// FromWin32(GetLastError(), what).
support::PortError LastError(std::wstring what);

}  // namespace platform::win32
