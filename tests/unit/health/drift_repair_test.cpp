// Drift tracking and repair against a fake window and scheduler.
#include "health/drift_repair.h"

#include <gtest/gtest.h>

#include <map>

#include "unit/app/sim_fixture.h"

namespace {

using S = HealthStatus;

class FakeHost final : public RepairHost {
 public:
  std::mutex& ResultsLock() override { return lock_; }
  const std::vector<HealthCheck>& LatestResults() override { return results; }
  MonitorSettings Settings() override { return settings; }
  void Harden(const std::wstring& key) override { hardened.push_back(key); }
  bool ConfirmWarning(const std::wstring& caption, const std::wstring&) override {
    EXPECT_EQ(caption, L"Veltrane");
    return confirm;
  }
  void ShowInformation(const std::wstring& text) override { information.push_back(text); }
  std::uint32_t DesiredResolution() override { return desired; }
  bool IsStepBusy(const std::wstring& step) override { return busy.count(step) != 0; }
  void StartStep(const std::wstring& step, std::uint32_t resolution) override {
    started.push_back(step + L"@" + std::to_wstring(resolution));
  }
  void StartBackgroundScan() override { ++scans; }
  RepairState& Repairs() override { return state; }

  std::vector<HealthCheck> results;
  MonitorSettings settings;
  bool confirm = true;
  std::uint32_t desired = 0;
  std::set<std::wstring> busy;
  std::vector<std::wstring> hardened, information, started;
  int scans = 0;
  RepairState state;

 private:
  std::mutex lock_;
};

HealthCheck Result(const wchar_t* id, S status, const wchar_t* repair) {
  HealthCheck check;
  check.id = id;
  check.status = status;
  check.repairStep = repair;
  return check;
}

class DriftRepairTest : public SimMachineTest {
 protected:
  DriftRepairTest() { host_.settings.maintainTiming = true; }
  std::optional<std::uint32_t> Drift(const std::wstring& id) {
    auto value = machine_.registry.ReadDword(
        {platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", L"Drift_" + id});
    if (!value) return std::nullopt;
    return *value;
  }
  FakeHost host_;
};

TEST_F(DriftRepairTest, ConsecutiveScans) {
  struct Scan {
    S status;
    std::optional<std::uint32_t> drift;
    std::size_t repairs;  // started so far
    std::size_t hardens;  // stronger fixes so far
  };
  const Scan kScans[] = {
      {S::NeedsAttention, 1, 1, 0},  {S::Error, 2, 2, 1},       {S::Passing, std::nullopt, 2, 1},
      {S::RestartRequired, 1, 3, 1}, {S::Unknown, 1, 3, 1},     {S::Inaccessible, 1, 3, 1},
      {S::NeedsAttention, 2, 4, 2},  {S::NeedsAttention, 3, 5, 3},
  };
  int n = 0;
  for (const Scan& scan : kScans) {
    SCOPED_TRACE(++n);
    host_.results = {Result(L"power.PERFCHECK", scan.status, L"ppm")};
    TrackDrift(host_);
    host_.state.automatic.clear();  // the repair ended before the next scan
    EXPECT_EQ(Drift(L"power.PERFCHECK"), scan.drift);
    EXPECT_EQ(host_.started.size(), scan.repairs);
    EXPECT_EQ(host_.hardened.size(), scan.hardens);
  }
  EXPECT_EQ(host_.started.back(), L"cpu@0");
  EXPECT_EQ(host_.hardened.back(), L"ppm");
}

TEST_F(DriftRepairTest, OneRepairPerStepAndNoneForAfterburner) {
  host_.results = {Result(L"power.A", S::NeedsAttention, L"ppm"),
                   Result(L"power.B", S::NeedsAttention, L"ppm"),
                   Result(L"storage.trim", S::NeedsAttention, L"storage"),
                   Result(L"util.afterburner", S::NeedsAttention, L"afterburner"),
                   Result(L"gpu.driver", S::NeedsAttention, L"")};
  TrackDrift(host_);
  EXPECT_EQ(host_.started, (std::vector<std::wstring>{L"cpu@0", L"storage@0"}));
  EXPECT_EQ(Drift(L"power.B"), 1u);
  EXPECT_EQ(Drift(L"util.afterburner"), std::nullopt);
  EXPECT_NE(Log().find(L"  health  automatic repair ppm\r\n"), std::wstring::npos);
}

TEST_F(DriftRepairTest, NothingWhenMaintainIsOffOrPaused) {
  host_.results = {Result(L"power.A", S::NeedsAttention, L"ppm")};
  host_.settings.paused = true;
  TrackDrift(host_);
  host_.settings = MonitorSettings{};
  TrackDrift(host_);
  EXPECT_TRUE(host_.started.empty());
  EXPECT_EQ(Drift(L"power.A"), std::nullopt);
}

TEST_F(DriftRepairTest, RepairStepCases) {
  struct Case {
    const char* name;
    const wchar_t* key;
    bool manual, confirm;
    std::uint32_t desired;
    std::set<std::wstring> busy;
    const wchar_t* started;      // empty: none
    const wchar_t* information;  // empty: none
  };
  const Case kCases[] = {
      {"automatic cpu", L"ppm", false, true, 0, {}, L"cpu@0", L""},
      {"manual, cancelled", L"ppm", true, false, 0, {}, L"", L""},
      {"manual memory", L"memory", true, true, 0, {}, L"memory@0", L""},
      {"timer with a saved resolution", L"timer", false, true, 5070, {}, L"hold@5070", L""},
      {"timer, nothing measured, manual", L"timer", true, true, 0, {}, L"",
       L"Measure a timer resolution before repairing the timer service."},
      {"timer, nothing measured, automatic", L"timer", false, true, 0, {}, L"", L""},
      {"timer while measuring", L"timer", false, true, 5070, {L"measure"}, L"", L""},
      {"busy, manual", L"gpu", true, true, 0, {L"gpu"}, L"", L"That step is already running."},
      {"busy, automatic", L"gpu", false, true, 0, {L"gpu"}, L"", L""},
      {"unknown key", L"prepare", true, true, 0, {}, L"", L""},
      {"empty key", L"", true, false, 0, {}, L"", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    FakeHost host;
    host.confirm = c.confirm;
    host.desired = c.desired;
    host.busy = c.busy;
    RepairStep(host, c.key, c.manual);
    EXPECT_EQ(host.started.empty() ? L"" : host.started.front(), std::wstring(c.started));
    EXPECT_EQ(host.information.empty() ? L"" : host.information.front(), std::wstring(c.information));
    EXPECT_EQ(host.state.pendingManual.empty(), !(c.manual && *c.started));
  }
}

TEST_F(DriftRepairTest, EndedRepairsAreLoggedAndTheLastStartsAScan) {
  RepairStep(host_, L"ppm", false);
  RepairStep(host_, L"storage", false);
  RepairStep(host_, L"memory", true);
  OnRepairStepEnded(host_, L"cpu", true);
  EXPECT_EQ(host_.scans, 0);
  OnRepairStepEnded(host_, L"memory", false);
  EXPECT_EQ(host_.scans, 1);
  OnRepairStepEnded(host_, L"storage", false);
  EXPECT_EQ(host_.scans, 2);
  OnRepairStepEnded(host_, L"gpu", true);  // not a repair
  EXPECT_EQ(host_.scans, 2);
  const std::wstring log = Log();
  const std::size_t finished = log.find(L"  health  automatic repair finished\r\n");
  const std::size_t manual = log.find(L"  health  repair failed\r\n");
  const std::size_t failed = log.find(L"  health  automatic repair failed\r\n");
  EXPECT_TRUE(finished < manual && manual < failed && failed != std::wstring::npos) << log;
}

}  // namespace
