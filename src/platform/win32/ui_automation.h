// The one UI Automation query the desktop adapter needs, kept apart because the
// cross-compiler's headers lack the client interfaces and they are declared here.
#pragma once

#include <windows.h>

#include <string>

#include "support/result.h"

namespace platform::win32 {

// The current name of the first descendant of `window` whose automation ID is
// `automation_id`. kUnsupported when UI Automation cannot be created; kNotFound when no
// element matches.
support::Result<std::wstring> AutomationNameOf(HWND window, const std::wstring& automation_id);

}  // namespace platform::win32
