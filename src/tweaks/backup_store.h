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

// Writes a step's applied flag before its first change; says so and returns false when
// it cannot ("The <what> settings could not be recorded; nothing was changed.").
bool MarkStepApplied(const wchar_t* appliedFlag, const wchar_t* what);

// Whether a later run of an applied step must keep an earlier record. A flag or record
// that cannot be read is never taken for an absent one: that would record a tuned value
// as the previous one.
bool KeepEarlierRecords(const wchar_t* appliedFlag);
enum class EarlierRecord { kNone, kKept, kUnknown };
EarlierRecord EarlierDword(bool keep, const std::wstring& name);
EarlierRecord EarlierString(bool keep, const std::wstring& name);
