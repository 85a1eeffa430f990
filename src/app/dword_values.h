// Single REG_DWORD values, for the steps that write one setting at a time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/registry.h"

// Creates the key when missing; true only when the value was written.
bool WriteDwordValue(platform::Hive root, const std::wstring& subKey, const std::wstring& valueName,
                     std::uint32_t value);
// Under HKEY_LOCAL_MACHINE. False (and `out` untouched) when the key or value is missing,
// the value is of another type, or it cannot be read.
bool ReadDwordValue(const std::wstring& subKey, const std::wstring& valueName, std::uint32_t& out);
