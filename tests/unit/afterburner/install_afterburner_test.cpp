// The whole Afterburner step on the simulated PC: nothing from an unverified download
// runs, and the logon task promises profile 1 only when it was saved.
#include "afterburner/install_afterburner.h"

#include <gtest/gtest.h>

#include "app/dispatch_targets.h"
#include "platform/sim/afterburner_sim.h"
#include "unit/driver/driver_fixture.h"

namespace {

constexpr wchar_t kFolder[] = L"C:\\Program Files (x86)\\MSI Afterburner";
constexpr wchar_t kArchiveUrl[] =
    L"https://ftp.nluug.nl/pub/games/PC/guru3d/afterburner/"
    L"%5BGuru3D%5D-MSIAfterburnerSetup466Build16757.zip";

class InstallAfterburnerTest : public DriverTest {
 protected:
  bool Said(const std::wstring& line) const {
    return std::find(feed_.lines.begin(), feed_.lines.end(), line) != feed_.lines.end();
  }
  // Whether the registered task `name` holds `text`.
  bool Holds(const std::wstring& name, const std::wstring& text) {
    return machine_.task_scheduler.Xml(name).value_or(L"").find(text) != std::wstring::npos;
  }
  std::wstring GpuPreference(const std::wstring& exe) {
    return machine_.registry
        .ReadString({platform::Hive::kCurrentUser,
                     L"Software\\Microsoft\\DirectX\\UserGpuPreferences", exe})
        .value_or(L"");
  }

  platform::SimAfterburner sim_{machine_};
  std::wstring error_;
};

TEST_F(InstallAfterburnerTest, ArchiveThatFailsItsChecksumNeverRuns) {
  tools_.InstallSevenZip();
  machine_.network.Serve(kArchiveUrl, platform::SimHttpResponse::Ok(platform::sim_archive::Pack(
                                          {{L"MSIAfterburnerSetup466.exe", "MZ setup"}}, false)));
  EXPECT_FALSE(gui::InstallAfterburner(&feed_, error_));
  EXPECT_EQ(error_, L"The Afterburner download did not match the published checksum.");
  // Downloaded into a folder of this run's own, which goes with what is in it.
  EXPECT_EQ(RunFolders(L"afterburner"), 0u);
  EXPECT_TRUE(machine_.files.List(kDrivers, L"*").empty());
  EXPECT_TRUE(tools_.calls[L"7z"].empty());
  machine_.network.SetOffline(true);
  EXPECT_FALSE(gui::InstallAfterburner(&feed_, error_));
  EXPECT_EQ(error_, L"The Afterburner download failed.");
  EXPECT_TRUE(machine_.files.List(kDrivers, L"*").empty());
}

TEST_F(InstallAfterburnerTest, ScannedProfileIsAppliedAtLogon) {
  SeedAdapter(0, L"Intel(R) UHD Graphics 770", L"Intel Corporation", L"pci\\ven_8086&dev_4680");
  SeedGeForce(1);
  machine_.files.Seed(L"C:\\Windows\\System32\\nvapi64.dll", "MZ");
  machine_.files.Seed(L"C:\\Program Files (x86)\\RivaTuner Statistics Server\\RTSS.exe", "MZ");
  sim_.Install(kFolder, "[Settings]\r\n",
               "[Startup]\r\nVFCurve=OLD\r\n[Profile1]\r\nVFCurve=USER\r\n");
  ASSERT_TRUE(gui::InstallAfterburner(&feed_, error_)) << error_;
  EXPECT_TRUE(Said(L"PCI-E graphics card: NVIDIA GeForce RTX 4070"));
  EXPECT_TRUE(Said(L"Afterburner will start at each logon and apply profile 1."));
  EXPECT_TRUE(Said(L"RivaTuner will start at each logon."));
  EXPECT_TRUE(Holds(L"Veltrane Afterburner", L"<Arguments>-profile1</Arguments>"));
  EXPECT_TRUE(Holds(L"Veltrane RivaTuner", L"RTSS.exe</Command>"));
  EXPECT_FALSE(Holds(L"Veltrane RivaTuner", L"<Arguments>"));
  EXPECT_EQ(GpuPreference(std::wstring(kFolder) + L"\\MSIAfterburner.exe"), L"GpuPreference=2;");
  EXPECT_EQ(GpuPreference(std::wstring(kFolder) + L"\\Bundle\\OCScanner\\MSIOCScanner_x64.exe"),
            L"GpuPreference=2;");
}

TEST_F(InstallAfterburnerTest, LogonTaskThatFailsAfterASavedScanFailsTheStep) {
  SeedGeForce(0);
  machine_.files.Seed(L"C:\\Windows\\System32\\nvapi64.dll", "MZ");
  sim_.Install(kFolder, "[Settings]\r\n", "[Startup]\r\nVFCurve=OLD\r\n");
  machine_.task_scheduler.SetServiceRunning(false);
  EXPECT_FALSE(gui::InstallAfterburner(&feed_, error_));
  EXPECT_EQ(error_, L"Profile 1 was saved, but Afterburner could not be set to apply it at logon.");
}

TEST_F(InstallAfterburnerTest, IntegratedGraphicsOnlyGetsThePlainTask) {
  SeedAdapter(0, L"Intel(R) UHD Graphics 770", L"Intel Corporation", L"pci\\ven_8086&dev_4680");
  sim_.Install(kFolder, "[Settings]\r\n", "[Startup]\r\nVFCurve=OLD\r\n");
  machine_.task_scheduler.SetServiceRunning(false);
  // Without a profile the task still is the step's promise: its failure fails the step.
  EXPECT_FALSE(gui::InstallAfterburner(&feed_, error_));
  EXPECT_TRUE(Said(L"No PCI-E graphics card was found. Integrated graphics will not be scanned."));
  EXPECT_EQ(error_, L"Could not create the Afterburner logon task.");
  machine_.task_scheduler.SetServiceRunning(true);
  ASSERT_TRUE(gui::InstallAfterburner(&feed_, error_));
  EXPECT_TRUE(Said(L"Afterburner will start at each logon."));
  EXPECT_FALSE(Holds(L"Veltrane Afterburner", L"-profile1"));
  EXPECT_EQ(GpuPreference(std::wstring(kFolder) + L"\\MSIAfterburner.exe"), L"");
  EXPECT_TRUE(machine_.processes.started().empty());
}

// The console's closing line promises profile 1 only when the scan saved it.
TEST_F(InstallAfterburnerTest, ConsoleClosingLineMatchesWhatWasSaved) {
  sim_.Install(kFolder, "[Settings]\r\n", "[Startup]\r\nVFCurve=OLD\r\n");
  ASSERT_TRUE(RunAfterburnerCommand());
  EXPECT_TRUE(
      Said(L"Afterburner starts at every logon with its own saved settings. No scanned "
           L"profile was applied."));
  EXPECT_FALSE(Said(L"Afterburner and RivaTuner apply profile 1 now and at every logon."));
  SeedGeForce(0);
  machine_.files.Seed(L"C:\\Windows\\System32\\nvapi64.dll", "MZ");
  ASSERT_TRUE(RunAfterburnerCommand());
  EXPECT_TRUE(Said(L"Afterburner and RivaTuner apply profile 1 now and at every logon."));
}

// The archive is held from its hash check until 7-Zip has read it, and the installer from
// its check until it has run, in a protected folder of this run that is gone afterwards.
TEST_F(InstallAfterburnerTest, WhatRunsIsHeldFromItsCheckInAFreshProtectedFolder) {
  tools_.InstallSevenZip();
  machine_.network.Serve(kArchiveUrl, platform::SimHttpResponse::Ok(platform::sim_archive::Pack(
                                          {{L"MSIAfterburnerSetup466.exe", "MZ setup"}}, false)));
  std::vector<bool> archive_held;
  tools_.on_unpack = [&](const std::wstring& archive) {
    archive_held.push_back(RunFolderIn(archive, L"afterburner") != L"" &&
                           !machine_.files.WriteNew(archive, "PK swapped").ok());
  };
  RegisterProbe(L"MSIAfterburnerSetup466.exe", 0);
  // sha256sum of the packed bytes above.
  EXPECT_TRUE(InstallAfterburnerPackagePinned(
      &feed_, L"6a1efa5d9b96c937ac73b760100adcdf7d2dd58b02bc1ccdd7c2886ee524aa79", error_))
      << error_;
  EXPECT_EQ(archive_held, std::vector<bool>{true});
  EXPECT_EQ(untouchable_, std::vector<bool>{true});
  EXPECT_EQ(RunFolders(L"afterburner"), 0u);
}

}  // namespace
