// Environment port: variables, folders, the running executable, elevation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "support/result.h"

namespace platform {

// The known folders elevated code takes instead of the user's environment variables.
enum class KnownFolder { kProgramData, kProgramFiles, kProgramFilesX86 };

class Environment {
 public:
  virtual ~Environment() = default;
  // GetEnvironmentVariableW; nullopt when unset. Values of any length are returned whole:
  // the 260-character rules belong to the callers.
  virtual std::optional<std::wstring> Variable(const std::wstring& name) = 0;
  // GetSystemDirectoryW ("C:\\Windows\\system32").
  virtual std::wstring SystemDirectory() = 0;
  // GetTempPathW, ending in a backslash; empty when it cannot be had.
  virtual std::wstring TempFolder() = 0;
  // GetModuleFileNameW(nullptr) in its long form (GetLongPathNameW): the full path of the
  // running executable, the same text whether it was started by its long or short name.
  virtual std::wstring ExecutablePath() = 0;
  // GetCurrentProcessId: tells this process apart from other copies of the same file.
  virtual std::uint32_t CurrentProcessId() = 0;
  // The token's TokenElevation; false when it cannot be read.
  virtual bool IsProcessElevated() = 0;
  // GetComputerNameW: the NetBIOS name, not the spoofable COMPUTERNAME variable.
  virtual support::Result<std::wstring> ComputerName() = 0;
  // GetSystemPowerStatus's BatteryFlag: 128 no system battery, 255 unknown, otherwise
  // charge bits (1 high, 2 low, 4 critical, 8 charging). Errors when the call fails.
  virtual support::Result<std::uint8_t> BatteryFlag() = 0;
  // SHGetKnownFolderPath (FOLDERID_ProgramData, FOLDERID_ProgramFiles): the machine's
  // folder whatever the process environment says; nullopt when it cannot be had.
  virtual std::optional<std::wstring> KnownFolderPath(KnownFolder folder) = 0;
};

}  // namespace platform
