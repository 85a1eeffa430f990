// The Afterburner step: install when missing, configure, scan, and set the logon tasks.
#pragma once

#include <string>

#include "app/feed.h"

namespace gui {

// True when Afterburner is installed and its logon task is set; otherwise `error` says
// why the step failed ("Stopped." when cancelled). `profileSaved`, when given, tells
// whether the logon task applies a scanned profile 1.
bool InstallAfterburner(Feed* feed, std::wstring& error, bool* profileSaved = nullptr);

}  // namespace gui

// Downloads the pinned Afterburner package, checks its SHA-256 before anything in it
// runs, and installs Afterburner and RivaTuner from it. True when it ran to the end.
bool InstallAfterburnerPackage(gui::Feed* feed, std::wstring& error);
// The same with the package's expected SHA-256 given (64 lower-case hex digits).
bool InstallAfterburnerPackagePinned(gui::Feed* feed, const std::wstring& pinned,
                                     std::wstring& error);
