// The default console flow with a given period, a measured one, and its failures.
#include <gtest/gtest.h>

#include "app/console_flows.h"
#include "app/output.h"
#include "service_fixture.h"

namespace {

class ConsoleTuneFlowTest : public ServiceTest {
 protected:
  static Options Quiet() {
    Options o;
    o.assumeYes = true;
    o.noPause = true;
    o.noPrepare = o.noPpm = o.noGpu = o.noAfterburner = o.noMemory = o.noStorage = true;
    return o;
  }
  bool Has(const std::wstring& text) { return Out().find(text) != std::wstring::npos; }
};

TEST_F(ConsoleTuneFlowTest, AGivenPeriodIsClampedAndInstalledPinned) {
  struct Case {
    const char* name;
    std::uint32_t given;
    bool measured;
    std::wstring clamp_line;
    std::uint32_t installed;
    std::uint32_t pinned;
  };
  const Case kCases[] = {
      {"below the fastest", 4000, false,
       L"Requested 4000 is below the kernel fastest 5000; clamping.\n", 5000, 1},
      {"above the slowest", 200000, false,
       L"Requested 200000 is above the kernel slowest 156250; clamping.\n", 156250, 1},
      {"measured elsewhere is not pinned", 5070, true, L"", 5070, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    Options options = Quiet();
    options.resolution = c.given;
    options.measured = c.measured;
    EXPECT_EQ(ConsoleTuneFlow(options), 0);
    if (!c.clamp_line.empty()) {
      EXPECT_TRUE(Has(c.clamp_line));
    }
    EXPECT_TRUE(Has(
        Format(L"Using requested resolution: %u (%.4f ms)\n", c.installed, c.installed / 10000.0)));
    EXPECT_EQ(Product(L"DesiredResolution"), c.installed);
    EXPECT_EQ(Product(L"ResolutionPinned"), c.pinned);
    EXPECT_FALSE(Product(L"BenchmarkBoundary").has_value());
  }
}

TEST_F(ConsoleTuneFlowTest, AfterTheInstallItSaysHowToCheckAndRemove) {
  Options options = Quiet();
  options.resolution = 5070;
  ASSERT_EQ(ConsoleTuneFlow(options), 0);
  EXPECT_TRUE(
      Has(L"\nInstalled. The 'Veltrane' service (auto-start, LocalSystem) is now holding "
          L"0.5070 ms and will do so at every boot.\n"
          L"Note: GlobalTimerResolutionRequests is set, so this request applies "
          L"system-wide rather than only per-process once the machine has rebooted with "
          L"the flag present. The service itself is already holding the resolution now.\n"
          L"Check anytime with:  Veltrane.exe --status\n"
          L"Remove with:          Veltrane.exe --uninstall\n"
          L"Skipping PPM tweaks (--no-ppm).\n"
          L"Skipping GPU tweaks (--no-gpu).\n"
          L"Skipping Afterburner (--no-afterburner).\n"
          L"Restart when you are ready. Windows cannot change BIOS, so set these by hand:\n"))
      << Out();
  EXPECT_TRUE(Has(L"  SATA/NVMe in AHCI. Enable Above 4G / Resizable BAR if you want ReBAR.\n"));
}

TEST_F(ConsoleTuneFlowTest, TheRestorePointComesFirstAndMemoryAndStorageLast) {
  Options options = Quiet();
  options.resolution = 5070;
  options.noPrepare = options.noMemory = options.noStorage = false;
  EXPECT_EQ(ConsoleTuneFlow(options), 0);
  const std::wstring out = Out();
  const std::size_t point = out.find(L"  restore point: restore point #1 created\n");
  const std::size_t installed = out.find(L"\nInstalled.");
  const std::size_t memory = out.find(L"  memory compression: ");
  const std::size_t storage = out.find(L"Applied ");
  const std::size_t reminder = out.find(L"Restart when you are ready.");
  ASSERT_NE(point, std::wstring::npos) << out;
  EXPECT_LT(point, installed);
  EXPECT_LT(installed, memory);
  EXPECT_LT(memory, storage);
  EXPECT_LT(storage, reminder);
  EXPECT_EQ(Product(L"MemoryApplied"), 1u);
  EXPECT_EQ(Product(L"StorageApplied"), 1u);
}

TEST_F(ConsoleTuneFlowTest, AFailedInstallEndsTheFlow) {
  machine_.services.RefuseManager(true);
  Options options = Quiet();
  options.resolution = 5070;
  EXPECT_EQ(ConsoleTuneFlow(options), 1);
  EXPECT_EQ(Err(), L"OpenSCManager failed.\nInstall failed; see the log for details.\n");
  EXPECT_FALSE(Has(L"Skipping PPM tweaks"));
  EXPECT_FALSE(Has(L"Restart when you are ready."));
}

TEST_F(ConsoleTuneFlowTest, AFailedBenchmarkInstallsNothing) {
  for (int i = 0; i < 8; ++i) {
    machine_.timer.FailNext(platform::TimerOp::kQuery, support::ErrorCode::kUnsupported);
  }
  EXPECT_EQ(ConsoleTuneFlow(Quiet()), 2);
  EXPECT_NE(Err().find(L"othing was installed."), std::wstring::npos) << Err();
  EXPECT_TRUE(Has(L"To pin a value anyway: Veltrane.exe --install --resolution <100-ns units>\n"));
  EXPECT_FALSE(machine_.services.Exists(kServiceName));
}

TEST_F(ConsoleTuneFlowTest, AMeasuredPeriodIsInstalledWithTheRunRecorded) {
  Options options = Quiet();
  options.sweepFrom = 5000;
  options.sweepTo = 5100;
  options.step = 50;
  options.samples = 20;
  options.samplesSet = true;
  options.passes = 1;
  options.passesSet = true;
  options.verifyCount = 40;
  options.verifySet = true;
  options.fidelitySet = true;
  ASSERT_EQ(ConsoleTuneFlow(options), 0) << Err();
  const auto desired = Product(L"DesiredResolution");
  ASSERT_TRUE(desired.has_value());
  EXPECT_EQ(Product(L"ResolutionPinned"), 0u);
  EXPECT_TRUE(Product(L"BenchmarkBoundary").has_value());
  EXPECT_TRUE(Product(L"BenchmarkMedianMicroMs").has_value());
  EXPECT_EQ(machine_.timer.OwnRequest(), desired);
}

}  // namespace
