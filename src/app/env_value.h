// Environment values as the program's fixed 260-character buffers see them.
#pragma once

#include <string>

// The variable's value when it is set, not empty and shorter than 260 characters;
// otherwise `fallback` (a value that would not fit the buffer is treated as missing).
std::wstring EnvValueOr(const std::wstring& name, const std::wstring& fallback);
