// Putting a verified release in place of the installed copy and of the copy that runs,
// with the timer service stopped around the swap and put back on the old file when it
// will not start on the new one.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "update/update_endpoints.h"
#include "update/update_list.h"

namespace update {

// 0 when both copies now hold the release (the window then ends with 2 and the program
// reopens itself); 1 otherwise, with the one-line reason in `error`, already logged
// unless the user stopped it.
int ApplyAppUpdate(const UpdateEndpoints& hosts, const AppUpdate& release,
                   const std::function<void(const std::wstring&)>& progress,
                   const std::atomic<bool>& cancel, std::wstring& error);

// SHA-256 of a file as 64 lower-case hex digits; empty when it cannot be read.
std::wstring HashFile(const std::wstring& path);

}  // namespace update
