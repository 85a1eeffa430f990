// The whole scan against the simulated Afterburner and scanner: every script ends with
// its message within the limits, and profile 1 is claimed only when it was written.
#include "afterburner/oc_scan.h"

#include <gtest/gtest.h>

#include <functional>

#include "afterburner/pci_card.h"
#include "platform/sim/afterburner_sim.h"
#include "unit/app/recording_feed.h"
#include "unit/app/sim_fixture.h"

namespace {

using Script = platform::SimAfterburner;
using Ending = Script::ScannerScript::Ending;

constexpr wchar_t kFolder[] = L"C:\\Program Files (x86)\\MSI Afterburner";
const std::string kProfile =
    "[Defaults]\r\nVFCurve=DEFAULT\r\n[Startup]\r\nFormat=2\r\nCoreClkBoost=0\r\nMemClkBoost=0\r\n"
    "VFCurve=OLD\r\n[Profile1]\r\nCoreClkBoost=50000\r\nVFCurve=USER\r\n";

class OcScanTest : public SimMachineTest {
 protected:
  void SetUp() override {
    machine_.files.Seed(L"C:\\Windows\\System32\\nvapi64.dll", "MZ");
    sim_.Install(kFolder, "[Settings]\r\n", kProfile);
  }
  OcScanResult Scan() {
    const ScopedFeed bind(&feed_);
    return RunOcScan(&feed_, card_, std::wstring(kFolder) + L"\\MSIAfterburner.exe");
  }
  bool Said(const std::wstring& line) const {
    return std::find(feed_.lines.begin(), feed_.lines.end(), line) != feed_.lines.end();
  }

  Script sim_{machine_};
  RecordingFeed feed_;
  PciECard card_{L"NVIDIA GeForce RTX 4070", 1, true, L"2786", 12ull << 30};
};

TEST_F(OcScanTest, EveryScriptEndsWithItsMessage) {
  const std::wstring kSaved =
      L"Saved the scanned curve as profile 1 and as the current startup settings (core +105 MHz, "
      L"memory 0 MHz). Profile 1 is applied now and at every logon.";
  struct Case {
    const char* name;
    std::function<void(Script&)> script;
    bool saved;
    std::wstring error;
    std::vector<std::wstring> lines;
    int presses;
  };
  const std::vector<Case> kCases = {
      {"scans, exports, saves",
       [](Script&) {},
       true,
       L"",
       {L"Afterburner is set to NVIDIA GeForce RTX 4070.",
        L"OC scanner target: NVIDIA GeForce RTX 4070.", L"The OC scan is running.",
        L"Applied the scanned curve to the current settings.", kSaved,
        L"Applied profile 1 to the current settings."},
       1},
      {"never connects: pressed after the grace time",
       [](Script& s) { s.scanner.connects = false; },
       true,
       L"",
       {kSaved},
       1},
      {"refuses twice, then scans",
       [](Script& s) { s.scanner.refusals = 2; },
       true,
       L"",
       {kSaved},
       3},
      {"refuses every press",
       [](Script& s) { s.scanner.refusals = 10; },
       false,
       L"",
       {L"The OC scanner opened, but the scan did not start. The window was left open."},
       3},
      {"scan fails",
       [](Script& s) { s.scanner.ending = Ending::kFails; },
       false,
       L"",
       {L"The OC scanner finished without a new curve. Afterburner will still apply its saved "
        L"settings at logon."},
       1},
      {"hangs past 45 minutes",
       [](Script& s) { s.scanner.ending = Ending::kHangs; },
       false,
       L"",
       {L"The OC scanner is still running after 45 minutes. It was left open."},
       1},
      {"no scanner window",
       [](Script& s) { s.scanner.showsWindow = false; },
       false,
       L"",
       {L"The OC scanner did not start. Afterburner will still apply its saved settings at logon."},
       0},
      {"ignores WM_CLOSE: ended after the wait",
       [](Script& s) {
         s.scanner.honoursClose = false;
         s.afterburner.honoursClose = false;
       },
       false,
       L"The scan applied the curve, but it was not saved for the next startup.",
       {L"The scanned curve was applied, but it was not saved into a profile."},
       1},
      {"Afterburner never takes the command",
       [](Script& s) { s.afterburner.takesCommand = false; },
       false,
       L"",
       {L"Afterburner did not confirm the apply. The exported curve is still saved if it wrote its "
        L"profile.",
        L"The scanned curve was applied, but it was not saved into a profile."},
       1},
      {"no card list in Afterburner: no card is claimed as selected",
       [](Script& s) { s.afterburner.cards = {}; },
       true,
       L"",
       {L"Afterburner showed no card list; it scans the card it had chosen.", kSaved},
       1},
      {"scanner lists only integrated graphics",
       [](Script& s) { s.scanner.cards = {L"Intel(R) UHD Graphics 770"}; },
       false,
       L"",
       {L"The OC scanner is aimed at integrated graphics. The PCI-E card was not scanned."},
       0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    const platform::ScopedSystem guard(machine.system());
    machine.files.Seed(L"C:\\Windows\\System32\\nvapi64.dll", "MZ");
    Script sim(machine);
    c.script(sim);
    sim.Install(kFolder, "[Settings]\r\n", kProfile);
    RecordingFeed feed;
    const std::uint64_t start = machine.clock.TickCount64();
    OcScanResult result;
    {
      const ScopedFeed bind(&feed);
      result = RunOcScan(&feed, card_, std::wstring(kFolder) + L"\\MSIAfterburner.exe");
    }
    EXPECT_EQ(result.profileSaved, c.saved);
    EXPECT_EQ(result.error, c.error);
    for (const std::wstring& line : c.lines) {
      EXPECT_NE(std::find(feed.lines.begin(), feed.lines.end(), line), feed.lines.end()) << line;
    }
    EXPECT_EQ(std::count(feed.lines.begin(), feed.lines.end(), L"Pressed Scan."), c.presses);
    EXPECT_LT(machine.clock.TickCount64() - start, 47u * 60u * 1000u);
    const std::string profile = machine.files.ReadAll(sim.ProfilePath()).value();
    EXPECT_EQ(profile.find("[Profile1]\r\nFormat=2\r\nCoreClkBoost=105000") != std::string::npos,
              c.saved);
  }
}

TEST_F(OcScanTest, PreconditionsSkipTheScan) {
  card_.vendor = 2;
  EXPECT_FALSE(Scan().profileSaved);
  EXPECT_TRUE(
      Said(L"The OC scanner targets NVIDIA. Afterburner will still apply its saved "
           L"settings at logon."));
  card_ = PciECard{};
  EXPECT_FALSE(Scan().profileSaved);
  EXPECT_TRUE(
      Said(L"The OC scanner was not started. It runs on the PCI-E NVIDIA card, not "
           L"integrated graphics."));
  EXPECT_TRUE(machine_.processes.started().empty());
}

TEST_F(OcScanTest, CancellingStopsBothPrograms) {
  sim_.scanner.ending = Ending::kHangs;
  machine_.desktop.AddTicker([this] {
    if (machine_.clock.TickCount64() > 120000) feed_.cancelled = true;
  });
  const OcScanResult result = Scan();
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.error, L"Stopped.");
  EXPECT_TRUE(machine_.processes.List().empty());
}

TEST_F(OcScanTest, ControlMemoryMadeFirstByAnotherProgramFailsTheStep) {
  machine_.shared_memory.CreateMapping(L"MACMSharedMemory", std::string(1 << 20, '\0'), false);
  const OcScanResult result = Scan();
  EXPECT_FALSE(result.profileSaved);
  EXPECT_EQ(result.error,
            L"Afterburner's control memory was created by another program, so the scanned curve "
            L"was not applied.");
  EXPECT_FALSE(sim_.CommandTaken());
}

}  // namespace
