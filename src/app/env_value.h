// Environment values as the program's fixed 260-character buffers see them.
#pragma once

#include <string>

#include "platform/environment.h"

// The variable's value when it is set, not empty and shorter than 260 characters;
// otherwise `fallback` (a value that would not fit the buffer is treated as missing).
std::wstring EnvValueOr(const std::wstring& name, const std::wstring& fallback);

// A machine folder: an elevated process (and the service) must not let the user's
// environment choose the folder it writes or a program it runs, so it asks Windows; an
// unelevated one reads `variable`. `fallback` when neither answers.
std::wstring MachineFolder(platform::KnownFolder folder, const wchar_t* variable,
                           const wchar_t* fallback);
