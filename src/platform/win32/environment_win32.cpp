#include "platform/win32/environment_win32.h"

#include <windows.h>
// After windows.h, which they build on.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
namespace {

// Calls `get(buffer, size)` (a Win32 "returns the length or the size needed" function)
// with a growing buffer until the text fits; empty when it fails.
template <typename Get>
std::wstring ReadGrowing(Get get) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    buffer.resize(length + 1);
  }
}

}  // namespace

std::optional<std::wstring> Win32Environment::Variable(const std::wstring& name) {
  // A set but empty variable also returns 0; the last error tells it from a missing one.
  ::SetLastError(ERROR_SUCCESS);
  std::wstring value = ReadGrowing([&name](wchar_t* buffer, DWORD size) {
    return ::GetEnvironmentVariableW(name.c_str(), buffer, size);
  });
  if (value.empty() && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return value;
}

std::wstring Win32Environment::SystemDirectory() {
  return ReadGrowing(
      [](wchar_t* buffer, DWORD size) { return ::GetSystemDirectoryW(buffer, size); });
}

std::wstring Win32Environment::TempFolder() {
  return ReadGrowing([](wchar_t* buffer, DWORD size) { return ::GetTempPathW(size, buffer); });
}

std::uint32_t Win32Environment::CurrentProcessId() { return ::GetCurrentProcessId(); }

std::wstring Win32Environment::ExecutablePath() {
  // GetModuleFileNameW cuts the path to the buffer and returns the buffer size then, so
  // grow until the result is shorter than the buffer.
  std::wstring module(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    if (length == 0) return {};
    if (length < module.size()) {
      module.resize(length);
      break;
    }
    module.resize(module.size() * 2);
  }
  // Started by a short (8.3) name, the module's path is that name; the update and the
  // hand-off compare this path with the install folder's, so it must be the long one.
  const std::wstring long_path = ReadGrowing([&module](wchar_t* buffer, DWORD size) {
    return ::GetLongPathNameW(module.c_str(), buffer, size);
  });
  return long_path.empty() ? module : long_path;
}

bool Win32Environment::IsProcessElevated() {
  win32::UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    return false;
  }
  return elevation.TokenIsElevated != 0;
}

support::Result<std::wstring> Win32Environment::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &size)) return win32::LastError(L"GetComputerNameW");
  return std::wstring(name, size);
}

support::Result<std::uint8_t> Win32Environment::BatteryFlag() {
  SYSTEM_POWER_STATUS status{};
  if (!::GetSystemPowerStatus(&status)) return win32::LastError(L"GetSystemPowerStatus");
  return static_cast<std::uint8_t>(status.BatteryFlag);
}

}  // namespace platform

namespace platform {

std::optional<std::wstring> Win32Environment::KnownFolderPath(KnownFolder folder) {
  const KNOWNFOLDERID& id = folder == KnownFolder::kProgramData    ? FOLDERID_ProgramData
                            : folder == KnownFolder::kProgramFiles ? FOLDERID_ProgramFiles
                                                                   : FOLDERID_ProgramFilesX86;
  PWSTR path = nullptr;
  const HRESULT result = ::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path);
  // The buffer is the caller's to free even when the call fails.
  std::optional<std::wstring> value;
  if (SUCCEEDED(result) && path != nullptr) value = std::wstring(path);
  ::CoTaskMemFree(path);
  return value;
}

}  // namespace platform
