// Environment port: variables, folders, the running executable, elevation.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The known folders elevated code takes instead of the user's environment variables.
enum class KnownFolder { kProgramData, kProgramFiles };

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
  // GetModuleFileNameW(nullptr): the full path of the running executable.
  virtual std::wstring ExecutablePath() = 0;
  // The token's TokenElevation; false when it cannot be read.
  virtual bool IsProcessElevated() = 0;
  // SHGetKnownFolderPath (FOLDERID_ProgramData, FOLDERID_ProgramFiles): the machine's
  // folder whatever the process environment says; nullopt when it cannot be had.
  virtual std::optional<std::wstring> KnownFolderPath(KnownFolder folder) = 0;
};

}  // namespace platform
