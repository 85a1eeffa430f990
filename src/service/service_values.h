// The registry values the timer service and its install share, and the small readers
// every one of them uses: a value that is missing or of another type reads as absent,
// and a write that fails is ignored (the callers go on either way).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\Veltrane";
inline constexpr wchar_t kLegacyProductKey[] = L"SOFTWARE\\Quantick";
inline constexpr wchar_t kKernelKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel";
inline constexpr wchar_t kGlobalRequestsValue[] = L"GlobalTimerResolutionRequests";

inline constexpr wchar_t kDesiredResolution[] = L"DesiredResolution";
inline constexpr wchar_t kResolutionPinned[] = L"ResolutionPinned";
inline constexpr wchar_t kAppliedResolution[] = L"AppliedResolution";
inline constexpr wchar_t kInstallPathValue[] = L"InstallPath";

// A REG_DWORD under HKLM; nullopt when it cannot be read as one.
std::optional<std::uint32_t> ReadMachineDword(const std::wstring& key, const std::wstring& value);
void WriteMachineDword(const std::wstring& key, const std::wstring& value, std::uint32_t data);

// The same under the product key.
std::optional<std::uint32_t> ReadProductDword(const std::wstring& value);
void WriteProductDword(const std::wstring& value, std::uint32_t data);

// 100-ns units as milliseconds, for the "%.4f ms" texts.
inline double Ms(std::uint32_t units) { return units / 10000.0; }
