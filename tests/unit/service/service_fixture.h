// A simulated machine whose service manager runs the real timer service: a service whose
// binary path names the installed copy runs the dispatcher in-process.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "measure/aggregate.h"
#include "platform/sim/sim_machine.h"
#include "service/service_control.h"
#include "service/timer_service.h"
#include "unit/app/sim_fixture.h"

inline constexpr wchar_t kInstalledExe[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
inline constexpr wchar_t kDownloadedExe[] = L"C:\\Users\\me\\Downloads\\Veltrane.exe";
inline constexpr wchar_t kProductKeyPath[] = L"SOFTWARE\\Veltrane";
inline constexpr wchar_t kKernelKeyPath[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\kernel";

// A machine ready to install from the Downloads copy, whose installed copy runs the real
// timer service.
inline void PrepareInstall(platform::SimMachine& machine) {
  machine.console.SetAllStreams(platform::SimConsole::StreamKind::kRedirected);
  machine.services.InstallProgram(kInstalledExe, [] { (void)RunTimerServiceDispatcher(); });
  machine.environment.SetExecutablePath(kDownloadedExe);
  machine.files.Seed(kDownloadedExe, "MZ downloaded");
}

class ServiceTest : public SimMachineTest {
 protected:
  void SetUp() override { PrepareInstall(machine_); }
  // Service programs reach the machine through the system guard: end them while it lives.
  void TearDown() override { machine_.services.StopAll(); }

  std::optional<std::uint32_t> Dword(const std::wstring& key, const std::wstring& value) {
    auto data = machine_.registry.ReadDword({platform::Hive::kLocalMachine, key, value});
    if (!data) return std::nullopt;
    return *data;
  }
  std::optional<std::uint32_t> Product(const std::wstring& value) {
    return Dword(kProductKeyPath, value);
  }
  void SeedProduct(const std::wstring& value, std::uint32_t data) {
    machine_.registry.Seed({platform::Hive::kLocalMachine, kProductKeyPath, value}, data);
  }
  std::optional<std::uint32_t> GlobalFlag() {
    return Dword(kKernelKeyPath, L"GlobalTimerResolutionRequests");
  }

  // A "Veltrane" service that runs the installed copy, as a former install left it.
  void SeedInstalledService(platform::ServiceRunState state = platform::ServiceRunState::kStopped) {
    machine_.services.Seed(
        kServiceName,
        {L"Veltrane (timer resolution)", std::wstring(L"\"") + kInstalledExe + L"\" --service",
         platform::ServiceStartType::kAuto},
        state);
  }

  // Two saved runs, in both of which `best` scores lower than `other`.
  void SaveTwoRuns(std::uint32_t best, std::uint32_t other) {
    for (int run = 0; run < 2; ++run) {
      const std::vector<RunRow> rows = {Row(best, 0.05), Row(other, 0.09)};
      FoldRunIntoAggregate(L"C:\\ProgramData\\Veltrane", rows);
    }
    ASSERT_EQ(LowestAggregateScore(L"C:\\ProgramData\\Veltrane").resolution, best);
  }

  platform::ServiceRunState State(const std::wstring& name = kServiceName) {
    auto view = machine_.services.Find(name);
    return view ? view->status.state : platform::ServiceRunState::kStopped;
  }

 private:
  static RunRow Row(std::uint32_t requested, double score) {
    RunRow row;
    row.requested = requested;
    row.loop_n = 150;
    row.idle_n = 150;
    row.loop_median = row.loop_mean = row.idle_median = row.idle_mean = score;
    row.loop_score = row.idle_score = row.score = score;
    return row;
  }
};
