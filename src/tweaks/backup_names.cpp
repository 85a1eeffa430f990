#include "tweaks/backup_names.h"

#include "app/output.h"

PowerBackupNames PowerBackupNamesFor(const wchar_t* prefix, const std::wstring& id) {
  const std::wstring stem = std::wstring(prefix) + L"_" + id;
  return {stem + L"_ac", stem + L"_hadAc", stem + L"_dc", stem + L"_hadDc"};
}

GraphicsBackupNames GraphicsBackupNamesFor(const std::wstring& name) {
  const std::wstring stem = L"Gpu_" + name;
  return {stem + L"_had", stem, stem + L"_key", stem + L"_name"};
}

std::wstring MachineCopyName(const std::wstring& id) { return id + L"_LM"; }

std::wstring AdapterCopyName(const std::wstring& id, std::uint32_t position) {
  return Format(L"%ls_%02u", id.c_str(), position);
}

std::wstring ServiceStartBackupName(const std::wstring& serviceName) {
  return L"GpuSvc_" + serviceName + L"_start";
}

std::wstring ProfileBackupName(std::uint32_t settingId) {
  return Format(L"GpuDrs_%08X", settingId);
}

std::wstring ProfileHadName(std::uint32_t settingId) {
  return ProfileBackupName(settingId) + L"_had";
}
