// Names of the values the tuning steps keep under the product key: each previous value,
// whether there was one, and the steps' applied flags. The health checks and the restores
// read them back by the same names.
#pragma once

#include <cstdint>
#include <string>

inline constexpr wchar_t kPpmApplied[] = L"PpmApplied";
inline constexpr wchar_t kStorageApplied[] = L"StorageApplied";
inline constexpr wchar_t kGpuApplied[] = L"GpuApplied";
inline constexpr wchar_t kMemoryApplied[] = L"MemoryApplied";
inline constexpr wchar_t kMemCompDisabled[] = L"MemCompDisabled";
inline constexpr wchar_t kPrepareApplied[] = L"PrepareApplied";
inline constexpr wchar_t kRestorePointOk[] = L"RestorePointOk";

inline constexpr wchar_t kPpmPreviousScheme[] = L"PpmPreviousScheme";  // REG_SZ, braced
inline constexpr wchar_t kPpmScheme[] = L"PpmScheme";                  // REG_SZ, braced
// The scheme the storage power values were read from and written to (REG_SZ, braced): CPU
// Tune's restore may switch plans before Storage's restore runs.
inline constexpr wchar_t kStorageScheme[] = L"PwrScheme";
inline constexpr wchar_t kThreadDpcHad[] = L"ThreadDpcHad";
inline constexpr wchar_t kThreadDpcPrev[] = L"ThreadDpcPrev";
// Whether memory compression was on before the Memory step turned it off (1 on, 0 off).
inline constexpr wchar_t kMemCompWasOn[] = L"MemCompWasOn";

// Backup prefixes of the two power catalogues.
inline constexpr wchar_t kPpmPrefix[] = L"Ppm";
inline constexpr wchar_t kStoragePowerPrefix[] = L"Pwr";

// "<prefix>_<id>_ac", "_hadAc", "_dc", "_hadDc".
struct PowerBackupNames {
  std::wstring ac, hadAc, dc, hadDc;
};
PowerBackupNames PowerBackupNamesFor(const wchar_t* prefix, const std::wstring& id);

// "Gpu_<name>_had", "Gpu_<name>", "Gpu_<name>_key", "Gpu_<name>_name".
struct GraphicsBackupNames {
  std::wstring had, value, key, valueName;
};
GraphicsBackupNames GraphicsBackupNamesFor(const std::wstring& name);
// The name of the machine-wide copy of a per-user value: "<id>_LM".
std::wstring MachineCopyName(const std::wstring& id);
// The name of the copy in the `position`-th matching adapter key: "<id>_<NN>".
std::wstring AdapterCopyName(const std::wstring& id, std::uint32_t position);

// "GpuSvc_<service>_start".
std::wstring ServiceStartBackupName(const std::wstring& serviceName);
// "GpuDrs_<ID>" and "GpuDrs_<ID>_had", the setting id in eight upper-case hex digits.
std::wstring ProfileBackupName(std::uint32_t settingId);
std::wstring ProfileHadName(std::uint32_t settingId);
