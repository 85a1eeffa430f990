// A simulated PC for the GPU Clean suites: display adapters in the registry, the vendors'
// services on the sim network, and the tools the install starts.
#pragma once

#include <string>

#include "platform/sim/tool_standins.h"
#include "unit/app/recording_feed.h"
#include "unit/app/sim_fixture.h"

class DriverTest : public SimMachineTest {
 protected:
  static constexpr wchar_t kClass[] =
      L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
  static constexpr wchar_t kDrivers[] = L"C:\\ProgramData\\Veltrane\\drivers";

  void SeedAdapter(int index, const std::wstring& desc, const std::wstring& provider,
                   const std::wstring& matching, const std::wstring& version = L"") {
    wchar_t number[8];
    swprintf(number, 8, L"%04d", index);
    const std::wstring key = std::wstring(kClass) + L"\\" + number;
    auto& r = machine_.registry;
    r.Seed({platform::Hive::kLocalMachine, key, L"DriverDesc"}, desc);
    r.Seed({platform::Hive::kLocalMachine, key, L"ProviderName"}, provider);
    if (!matching.empty())
      r.Seed({platform::Hive::kLocalMachine, key, L"MatchingDeviceId"}, matching);
    if (!version.empty()) r.Seed({platform::Hive::kLocalMachine, key, L"DriverVersion"}, version);
  }

  void SeedGeForce(int index = 0) {
    SeedAdapter(index, L"NVIDIA GeForce RTX 4070", L"NVIDIA",
                L"pci\\ven_10de&dev_2786&subsys_16f110de", L"32.0.15.6094");
  }

  RecordingFeed feed_;
  ScopedFeed bound_{&feed_};
  platform::ToolStandIns tools_{machine_};
};
