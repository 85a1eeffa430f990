// The product key as the steps' backup store. Unlike the service values, a backup write
// is checked: a setting is never changed when its previous value could not be recorded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A REG_DWORD / REG_SZ under the product key; nullopt when it cannot be read as one.
std::optional<std::uint32_t> ReadBackupDword(const std::wstring& name);
std::optional<std::wstring> ReadBackupString(const std::wstring& name);
// True only when the value was written.
bool WriteBackupDword(const std::wstring& name, std::uint32_t value);
bool WriteBackupString(const std::wstring& name, const std::wstring& text);
// The applied flag `name` is present and non-zero.
bool StepApplied(const wchar_t* name);
