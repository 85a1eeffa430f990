// The scan's rules on the clock: each row is a script of polls (time, what the window
// showed) and what the machine must do at each.
#include "afterburner/scan_machine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Poll {
  std::uint64_t ms;
  const wchar_t* button;  // nullptr: no window
  bool enabled;
  const wchar_t* log;
  bool press;
  ScanOutcome outcome;
};

void RunScript(const std::vector<Poll>& polls) {
  ScanMachine machine(0);
  for (const Poll& p : polls) {
    SCOPED_TRACE(p.ms);
    ScanObservation seen;
    seen.windowFound = p.button != nullptr;
    seen.buttonText = p.button ? p.button : L"";
    seen.buttonEnabled = p.enabled;
    seen.log = p.log;
    const ScanActions a = machine.Step(seen, p.ms);
    EXPECT_EQ(a.pressScan, p.press);
    EXPECT_EQ(a.outcome, p.outcome);
  }
}

constexpr auto P = ScanOutcome::kPending;
constexpr const wchar_t* kConnected = L"Connected to MSI Afterburner";
constexpr const wchar_t* kRefused = L"Connected to MSI Afterburner\nFailed to start scanning";

TEST(ScanMachineTest, PressesScanOnlyWhenReady) {
  struct Case {
    const char* name;
    std::vector<Poll> polls;
  };
  const std::vector<Case> kCases = {
      {"waits for the connection, then presses once",
       {{300, L"Scan", true, L"", false, P},
        {600, L"Scan", true, kConnected, true, P},
        {900, L"Scan", true, kConnected, false, P}}},
      {"without a connection, presses after 4 s",
       {{3900, L"Scan", true, L"", false, P}, {4000, L"Scan", true, L"", true, P}}},
      {"never a disabled button or one not reading Scan",
       {{5000, L"Scan", false, kConnected, false, P},
        {5300, L"Stop", false, kConnected, false, P}}},
      {"a refusal is pressed again, more than 4 s later, at most three presses",
       {{1000, L"Scan", true, kConnected, true, P},
        {1300, L"Scan", true, kRefused, false, P},
        {5000, L"Scan", true, kRefused, false, P},
        {5001, L"Scan", true, kRefused, true, P},
        {9002, L"Scan", true, kRefused, true, P},
        {13003, L"Scan", true, kRefused, false, P},
        {20000, L"Scan", true, kRefused, false, P}}},
      {"no second press without a refusal",
       {{1000, L"Scan", true, kConnected, true, P}, {9000, L"Scan", true, kConnected, false, P}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    RunScript(c.polls);
  }
}

TEST(ScanMachineTest, EndsEveryScanWithinItsLimits) {
  const wchar_t* running = L"Start scanning\nScanning point 12 of 60";
  struct Case {
    const char* name;
    std::vector<Poll> polls;
  };
  const std::vector<Case> kCases = {
      {"the window never appears",
       {{29999, nullptr, false, L"", false, P},
        {30000, nullptr, false, L"", false, ScanOutcome::kNoWindow}}},
      {"the window appears, the scan never starts",
       {{1000, L"Scan", false, L"", false, P},
        {30000, L"Scan", false, L"", false, ScanOutcome::kNotStarted}}},
      {"success waits for the export line",
       {{1000, L"Stop", true, running, false, P},
        {60000, L"Scan", true, L"Start scanning\nScan succeeded", false, P},
        {60500, L"Scan", true, L"Start scanning\nScan succeeded\nOverclocked curve exported", false,
         ScanOutcome::kCurve}}},
      {"success without the export line counts after 15 s",
       {{1000, L"Stop", true, running, false, P},
        {60000, L"Scan", true, L"Scan succeeded", false, P},
        {74999, L"Scan", true, L"Scan succeeded", false, P},
        {75000, L"Scan", true, L"Scan succeeded", false, ScanOutcome::kCurve}}},
      {"failure",
       {{1000, L"Stop", true, running, false, P},
        {2000, L"Scan", true, L"Start scanning\nScan failed", false, ScanOutcome::kNoCurve}}},
      {"button back at Scan with no running marker after 8 s",
       {{1000, L"Stop", true, L"", false, P},
        {9000, L"Scan", true, L"", false, P},
        {9001, L"Scan", true, L"", false, ScanOutcome::kNoCurve}}},
      {"45-minute cut-off, counted from the scan's start",
       {{1000, L"Stop", true, running, false, P},
        {2700999, L"Stop", true, running, false, P},
        {2701000, L"Stop", true, running, false, ScanOutcome::kStillRunning}}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    RunScript(c.polls);
  }
}

TEST(ScanMachineTest, ProgressFromPointsElseFromTimeAndCancelStops) {
  ScanMachine machine(0);
  ScanObservation seen{true, true, L"Stop", L"Start scanning\nScanning point 12 of 60", false};
  const ScanActions first = machine.Step(seen, 1000);
  EXPECT_TRUE(first.announceRunning);
  EXPECT_DOUBLE_EQ(first.progress, 0.3 + 0.65 * 0.2);
  seen.log = L"Start scanning";
  const ScanActions timed = machine.Step(seen, 1000 + 900000);  // half of 30 minutes
  EXPECT_FALSE(timed.announceRunning);
  EXPECT_DOUBLE_EQ(timed.progress, 0.3 + 0.65 * 0.5);
  EXPECT_DOUBLE_EQ(timed.elapsedSeconds, 900);
  const ScanActions late = machine.Step(seen, 1000 + 2000000);
  EXPECT_DOUBLE_EQ(late.progress, 0.95);
  seen.cancelled = true;
  EXPECT_EQ(machine.Step(seen, 1000 + 2000300).outcome, ScanOutcome::kStopped);
}

}  // namespace
