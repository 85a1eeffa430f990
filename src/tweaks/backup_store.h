// The product key as the steps' backup store. Unlike the service values, a backup write
// is checked: a setting is never changed when its previous value could not be recorded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/result.h"

// A REG_DWORD / REG_SZ under the product key; nullopt when it cannot be read as one.
std::optional<std::uint32_t> ReadBackupDword(const std::wstring& name);
std::optional<std::wstring> ReadBackupString(const std::wstring& name);
// True only when the value was written.
bool WriteBackupDword(const std::wstring& name, std::uint32_t value);
bool WriteBackupString(const std::wstring& name, const std::wstring& text);
// A record read back at uninstall: nullopt when it is absent or of another type (not the
// program's); an error when it cannot be read, which fails the restore so that the product
// key and its records stay for a later uninstall.
support::Result<std::optional<std::uint32_t>> ReadRecordDword(const std::wstring& name);
support::Result<std::optional<std::wstring>> ReadRecordString(const std::wstring& name);

// Whether the applied flag `name` is present and non-zero; nullopt (reported) when it cannot
// be read, so that a restore fails and keeps its records instead of taking an unreadable
// flag for a step that never ran.
std::optional<bool> StepApplied(const wchar_t* name);

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
