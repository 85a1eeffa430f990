// SimEnvironment: the process environment of the simulated machine. Seeded with the
// variables a fresh Windows 10 session has (names compare case-insensitively, as there);
// the executable path and the elevation are settable. Elevated by default, as most flows
// need administrator rights; tests of the elevation paths turn it off.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/environment.h"

namespace platform {

class SimEnvironment final : public Environment {
 public:
  SimEnvironment();

  std::optional<std::wstring> Variable(const std::wstring& name) override;
  std::wstring SystemDirectory() override;
  std::wstring TempFolder() override;
  std::wstring ExecutablePath() override;
  // 3996 unless a test says otherwise: just below the ids the sim gives started processes.
  std::uint32_t CurrentProcessId() override;
  bool IsProcessElevated() override;
  support::Result<std::wstring> ComputerName() override;
  support::Result<std::uint8_t> BatteryFlag() override;
  std::optional<std::wstring> KnownFolderPath(KnownFolder folder) override;

  // Test controls.
  void SetVariable(const std::wstring& name, const std::wstring& value);
  void UnsetVariable(const std::wstring& name);
  void SetExecutablePath(const std::wstring& path);
  void SetCurrentProcessId(std::uint32_t id);
  void SetElevated(bool elevated);
  void SetComputerName(const std::wstring& name);
  // The battery flag to report (128, a desktop, by default); nullopt makes the call fail.
  void SetBatteryFlag(std::optional<std::uint8_t> flag);

 private:
  std::optional<std::wstring> Find(const std::wstring& name);  // caller holds the lock

  std::mutex mutex_;
  std::map<std::wstring, std::wstring> variables_;  // key: upper-case name
  std::wstring executable_path_ = L"C:\\Users\\Player\\Downloads\\Veltrane.exe";
  bool elevated_ = true;
  std::uint32_t process_id_ = 3996;
  std::wstring computer_name_ = L"DESKTOP-SIM";
  std::optional<std::uint8_t> battery_flag_ = 128;
};

}  // namespace platform
