// Win32Environment: GetEnvironmentVariableW, GetSystemDirectoryW, GetTempPathW,
// GetModuleFileNameW, the token's elevation and SHGetKnownFolderPath.
#pragma once

#include "platform/environment.h"

namespace platform {

class Win32Environment final : public Environment {
 public:
  std::optional<std::wstring> Variable(const std::wstring& name) override;
  std::wstring SystemDirectory() override;
  std::wstring TempFolder() override;
  std::wstring ExecutablePath() override;
  std::uint32_t CurrentProcessId() override;
  bool IsProcessElevated() override;
  support::Result<std::wstring> ComputerName() override;
  support::Result<std::uint8_t> BatteryFlag() override;
  std::optional<std::wstring> KnownFolderPath(KnownFolder folder) override;
};

}  // namespace platform
