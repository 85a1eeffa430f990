// --status, --start and --stop.
#include <gtest/gtest.h>

#include "service/install.h"
#include "service_fixture.h"

namespace {

using platform::ServiceRunState;

class ServiceStatusTest : public ServiceTest {
 protected:
  // The lines before the CPU and GPU probe lines.
  std::wstring TimerLines() {
    const std::wstring out = Out();
    return out.substr(0, out.find(L"PPM tweaks:"));
  }
};

TEST_F(ServiceStatusTest, NothingInstalled) {
  machine_.timer.SetRange(156250, 5000, 156250);
  EXPECT_EQ(PrintTimerStatus(), 0);
  EXPECT_EQ(TimerLines(),
            L"Current timer resolution: 15.6250 ms (kernel range 0.5000-15.6250 ms)\n"
            L"GlobalTimerResolutionRequests: <not set> (per-process only)\n"
            L"Service: not installed. Run Veltrane.exe to benchmark and install it.\n");
}

TEST_F(ServiceStatusTest, RunningServiceLineComparesRequestAndKernel) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> desired, applied;
    std::wstring line;
  };
  const Case kCases[] = {
      {"equal", 5070, 5070,
       L"Service: RUNNING (auto-start, LocalSystem), requesting 0.5070 ms; kernel reports "
       L"0.5070 ms\n"},
      {"finer", 5070, 5000,
       L"Service: RUNNING (auto-start, LocalSystem), requesting 0.5070 ms; kernel reports "
       L"0.5000 ms (another process asks for finer)\n"},
      {"coarser", 5070, 10000,
       L"Service: RUNNING (auto-start, LocalSystem), requesting 0.5070 ms; kernel reports "
       L"1.0000 ms (request NOT honoured)\n"},
      {"nothing applied yet",
       5070,
       {},
       L"Service: RUNNING (auto-start, LocalSystem), requesting 0.5070 ms; kernel reports "
       L"0.0000 ms\n"},
  };
  SeedInstalledService(ServiceRunState::kRunning);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    (void)machine_.registry.DeleteTree(platform::Hive::kLocalMachine, kProductKeyPath);
    if (c.desired) SeedProduct(L"DesiredResolution", *c.desired);
    if (c.applied) SeedProduct(L"AppliedResolution", *c.applied);
    EXPECT_EQ(PrintTimerStatus(), 0);
    EXPECT_NE(Out().find(c.line), std::wstring::npos) << Out();
  }
}

TEST_F(ServiceStatusTest, InstalledButStoppedWithItsConfiguredPeriod) {
  SeedInstalledService();
  SeedProduct(L"DesiredResolution", 5070);
  machine_.registry.Seed(
      {platform::Hive::kLocalMachine, kKernelKeyPath, L"GlobalTimerResolutionRequests"}, 0u);
  EXPECT_EQ(PrintTimerStatus(), 0);
  const std::wstring lines = TimerLines();
  EXPECT_NE(lines.find(L"GlobalTimerResolutionRequests: 0 (per-process only)\n"
                       L"Service: installed but not running (see --start).\n"
                       L"Configured resolution: 5070 (0.5070 ms) at "
                       L"C:\\Program Files\\Veltrane\\Veltrane.exe\n"),
            std::wstring::npos)
      << lines;
}

TEST_F(ServiceStatusTest, AGlobalFlagOfAnotherTypeReadsAsNotSet) {
  machine_.registry.Seed(
      {platform::Hive::kLocalMachine, kKernelKeyPath, L"GlobalTimerResolutionRequests"},
      std::wstring(L"1"));
  EXPECT_EQ(PrintTimerStatus(), 0);
  EXPECT_NE(Out().find(L"GlobalTimerResolutionRequests: <not set> (per-process only)\n"),
            std::wstring::npos);
}

TEST_F(ServiceStatusTest, ProbeLinesSayWhetherTheStepsWereApplied) {
  EXPECT_EQ(PrintTimerStatus(), 0);
  EXPECT_NE(Out().find(L"PPM tweaks: not applied (running at 2200 MHz with headroom to 3600 MHz; "
                       L"not treating as locked)\n"
                       L"GPU tweaks: not applied (no PCI display adapters enumerated  \u00b7  HAGS "
                       L"off)\n"),
            std::wstring::npos)
      << Out();
  SeedProduct(L"PpmApplied", 1);
  SeedProduct(L"GpuApplied", 1);
  machine_.console.ClearOutput();
  EXPECT_EQ(PrintTimerStatus(), 0);
  EXPECT_NE(Out().find(L"PPM tweaks: applied (PERFCHECK 0 ms, core parking off, idle thresholds "
                       L"95%)\nGPU tweaks: applied (HAGS, overlays, NVIDIA/AMD driver profile)\n"),
            std::wstring::npos)
      << Out();
}

TEST_F(ServiceStatusTest, StopWithNothingInstalledFails) {
  EXPECT_EQ(StartOrStopTimerService(false), 1);
  EXPECT_EQ(Err(), L"Service is not installed.\n");
  EXPECT_EQ(StartOrStopTimerService(true), 1);
}

// "Not installed" is said only of a service that does not exist.
TEST_F(ServiceStatusTest, AServiceThatCannotBeOpenedIsNotCalledMissing) {
  SeedInstalledService();
  machine_.services.FailNext(platform::ServiceOp::kOpen, support::ErrorCode::kAccessDenied);
  EXPECT_EQ(StartOrStopTimerService(true), 1);
  EXPECT_EQ(Err(), L"OpenService failed (error 5).\n");
}

TEST_F(ServiceStatusTest, ARefusingManagerFails) {
  machine_.services.RefuseManager(true);
  EXPECT_EQ(StartOrStopTimerService(true), 1);
  EXPECT_EQ(Err(), L"OpenSCManager failed.\n");
}

TEST_F(ServiceStatusTest, StartThenStopTheInstalledService) {
  SeedInstalledService();
  SeedProduct(L"DesiredResolution", 5070);
  EXPECT_EQ(StartOrStopTimerService(true), 0);
  EXPECT_EQ(machine_.timer.OwnRequest(), 5070u);
  EXPECT_EQ(StartOrStopTimerService(true), 0);  // already running is fine
  EXPECT_EQ(StartOrStopTimerService(false), 0);
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  EXPECT_EQ(Out(), L"Service started.\nService started.\nService stopped.\n");
}

TEST_F(ServiceStatusTest, OutcomesThatFailArePrintedAsInformation) {
  SeedInstalledService();
  machine_.services.SetStartError(kServiceName, 1053);
  EXPECT_EQ(StartOrStopTimerService(true), 1);
  machine_.services.Seed(kLegacyServiceName, {}, ServiceRunState::kRunning);
  machine_.services.SetStopHangs(kLegacyServiceName, true);
  EXPECT_EQ(StartOrStopTimerService(false), 1);
  EXPECT_EQ(Out(), L"Service failed to start.\nService did not stop cleanly.\n");
  EXPECT_EQ(Err(), L"");
}

}  // namespace
