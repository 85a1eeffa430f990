// Win32Environment: GetEnvironmentVariableW, GetSystemDirectoryW, GetTempPathW,
// GetModuleFileNameW and the token's elevation.
#pragma once

#include "platform/environment.h"

namespace platform {

class Win32Environment final : public Environment {
 public:
  std::optional<std::wstring> Variable(const std::wstring& name) override;
  std::wstring SystemDirectory() override;
  std::wstring TempFolder() override;
  std::wstring ExecutablePath() override;
  bool IsProcessElevated() override;
  support::Result<std::wstring> ComputerName() override;
  support::Result<std::uint8_t> BatteryFlag() override;
};

}  // namespace platform
