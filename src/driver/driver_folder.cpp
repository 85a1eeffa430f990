#include "driver/driver_folder.h"

#include <cwctype>

#include "app/env_value.h"
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

}  // namespace

std::wstring DriverFolder() {
  const auto chosen = platform::Sys().registry.ReadString(
      {platform::Hive::kCurrentUser, kMonitorKey, L"DriverDir"});
  if (chosen && IsUsableDriverDir(*chosen)) {
    std::wstring dir = *chosen;
    while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
    return dir;
  }
  return EnvValueOr(L"ProgramData", L"C:\\ProgramData") + L"\\Veltrane\\drivers";
}

std::wstring EnsureDriverFolder() {
  const std::wstring folder = DriverFolder();
  auto& files = platform::Sys().files;
  // Each missing level from the drive down.
  for (std::size_t at = folder.find(L'\\', 3);; at = folder.find(L'\\', at + 1)) {
    const std::wstring level = folder.substr(0, at);
    if (!files.IsDirectory(level) && !files.CreateDirectory(level).ok() &&
        !files.IsDirectory(level)) {
      return {};
    }
    if (at == std::wstring::npos) break;
  }
  return folder;
}
