#include "driver/driver_folder.h"

#include <cwctype>

#include "app/data_folder.h"
#include "app/output.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr wchar_t kMonitorKey[] = L"Software\\Veltrane\\Monitor";
constexpr std::size_t kMaxDriverDir = 200;

// "X:\\..." only: a relative folder would follow the current directory, and a UNC or
// device path would send packages somewhere the user did not pick.
bool IsUsableDriverDir(const std::wstring& dir) {
  if (dir.empty() || dir.size() > kMaxDriverDir) return false;
  if (dir.find(L'"') != std::wstring::npos) return false;
  if (dir.size() < 3 || !std::iswalpha(dir[0]) || dir[0] > 0x7F || dir[1] != L':' ||
      dir[2] != L'\\') {
    return false;
  }
  return dir.find(L"\\..") == std::wstring::npos &&
         dir.find_first_of(L"*?<>|", 2) == std::wstring::npos;
}

// The usable DriverDir setting, trailing separators removed; empty when there is none.
std::wstring ChosenDriverDir() {
  const auto chosen = platform::Sys().registry.ReadString(
      {platform::Hive::kCurrentUser, kMonitorKey, L"DriverDir"});
  if (!chosen || !IsUsableDriverDir(*chosen)) return {};
  std::wstring dir = *chosen;
  while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  return dir;
}

}  // namespace

std::wstring DefaultDriverFolder() { return DataFolder() + L"\\drivers"; }

std::wstring DriverFolder() {
  const std::wstring chosen = ChosenDriverDir();
  return !chosen.empty() && UnsafeForElevatedUse(chosen).empty() ? chosen : DefaultDriverFolder();
}

std::wstring EnsureDriverFolder() {
  // Step 1: the user's folder, when nobody but administrators can put a file in it.
  if (const std::wstring chosen = ChosenDriverDir(); !chosen.empty()) {
    const std::wstring unsafe = UnsafeForElevatedUse(chosen);
    if (unsafe.empty()) return chosen;
    PrintInfo(Format(L"The driver folder %ls %ls; the default folder is used instead.",
                     chosen.c_str(), unsafe.c_str()));
  }
  // Step 2: the default one, each level protected.
  const std::wstring folder = DefaultDriverFolder();
  if (const std::wstring refusal = PrepareProtectedFolder(folder); !refusal.empty()) {
    PrintError(refusal);
    return {};
  }
  return folder;
}
