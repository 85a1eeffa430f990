// The service role run under the simulated service manager: what it holds, what it writes
// back, how it answers controls and how it ends.
#include "service/timer_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/output.h"
#include "service/service_control.h"
#include "service_fixture.h"

namespace {

using platform::ServiceRunState;

class TimerServiceTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    SeedInstalledService();
  }
  bool Start() { return StartServiceByName(kServiceName); }
};

TEST_F(TimerServiceTest, HoldsTheSavedPeriodChosenByTheStartRules) {
  struct Case {
    const char* name;
    std::optional<std::uint32_t> desired;
    std::optional<std::uint32_t> legacy;
    bool pinned;
    bool two_runs;  // a saved aggregate whose lowest score is at 5010
    std::uint32_t held;
    std::uint32_t desired_after;  // 0 = not written
    bool runs_line;
  };
  const Case kCases[] = {
      {"nothing saved anywhere: the kernel's finest", {}, {}, false, false, 5000, 0, false},
      {"current key", 5070, {}, false, false, 5070, 5070, false},
      {"zero under the current key falls to the legacy key", 0, 5070, false, false, 5070, 0, false},
      {"legacy key only", {}, 5200, false, false, 5200, 0, false},
      {"pinned ignores two saved runs", 5070, {}, true, true, 5070, 5070, false},
      {"unpinned follows the aggregate and writes it back",
       5070,
       {},
       false,
       true,
       5010,
       5010,
       true},
      {"aggregate equal to the saved value writes nothing",
       5010,
       {},
       false,
       true,
       5010,
       5010,
       false},
      {"below the finest is raised", 4000, {}, false, false, 5000, 4000, false},
      {"above the coarsest is lowered", 200000, {}, false, false, 156250, 200000, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    (void)machine_.registry.DeleteTree(platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane");
    (void)machine_.registry.DeleteTree(platform::Hive::kLocalMachine, L"SOFTWARE\\Quantick");
    (void)machine_.files.Delete(L"C:\\ProgramData\\Veltrane\\aggregate-master.csv");
    (void)machine_.files.Delete(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    if (c.desired) SeedProduct(L"DesiredResolution", *c.desired);
    if (c.legacy) {
      machine_.registry.Seed(
          {platform::Hive::kLocalMachine, L"SOFTWARE\\Quantick", L"DesiredResolution"}, *c.legacy);
    }
    if (c.pinned) SeedProduct(L"ResolutionPinned", 1);
    if (c.two_runs) SaveTwoRuns(5010, 5070);

    ASSERT_TRUE(Start());
    EXPECT_EQ(machine_.timer.OwnRequest(), c.held);
    EXPECT_EQ(Product(L"AppliedResolution"), c.held);
    EXPECT_EQ(Product(L"DesiredResolution").value_or(0), c.desired_after);
    const std::wstring log = Log();
    EXPECT_NE(log.find(L"service: starting"), std::wstring::npos);
    EXPECT_EQ(log.find(L"runs saved; timer set to 0.5010 ms, the lowest aggregate score (saved "
                       L"0.5070 ms)") != std::wstring::npos,
              c.runs_line);
    ASSERT_TRUE(StopServiceByName(kServiceName));
    EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  }
}

TEST_F(TimerServiceTest, LogsWhatTheKernelReportsWhileHolding) {
  SeedProduct(L"DesiredResolution", 5070);
  machine_.timer.HoldElsewhere(5000);
  ASSERT_TRUE(Start());
  EXPECT_EQ(State(), ServiceRunState::kRunning);
  EXPECT_EQ(Product(L"AppliedResolution"), 5000u);
  EXPECT_NE(Log().find(L"service: holding resolution 5070 (0.5070 ms); kernel reports 0.5000 ms"),
            std::wstring::npos);
  EXPECT_TRUE(machine_.timer.ThrottlingOptedOut());
}

TEST_F(TimerServiceTest, RunningAcceptsStopAndShutdownOnly) {
  ASSERT_TRUE(Start());
  const auto view = machine_.services.Find(kServiceName);
  EXPECT_EQ(view->status.controls_accepted,
            platform::service_accept::kStop | platform::service_accept::kShutdown);
  EXPECT_EQ(view->status.check_point, 0u);
  EXPECT_EQ(view->status.wait_hint_ms, 5000u);
}

TEST_F(TimerServiceTest, ReRequestsEveryTimeOutAndRecordsTheKernelAgain) {
  SeedProduct(L"DesiredResolution", 5070);
  ASSERT_TRUE(Start());
  const std::uint32_t sets = machine_.timer.Sets();
  // Another program ends a finer request of its own; the record follows the kernel.
  machine_.timer.HoldElsewhere(5000);
  ASSERT_TRUE(machine_.services.TimeOutWaits(1));
  EXPECT_EQ(Product(L"AppliedResolution"), 5000u);
  machine_.timer.HoldElsewhere(0);
  ASSERT_TRUE(machine_.services.TimeOutWaits(2));
  EXPECT_EQ(machine_.timer.Sets(), sets + 3);
  EXPECT_EQ(Product(L"AppliedResolution"), 5070u);
  EXPECT_EQ(State(), ServiceRunState::kRunning);
}

TEST_F(TimerServiceTest, StopReleasesTheRequestAndClearsTheRecord) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(StopServiceByName(kServiceName));
  const auto view = machine_.services.Find(kServiceName);
  EXPECT_EQ(view->status.state, ServiceRunState::kStopped);
  EXPECT_EQ(view->status.win32_exit_code, 0u);
  EXPECT_EQ(view->failures, 0u);
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  EXPECT_EQ(Product(L"AppliedResolution"), 0u);
  EXPECT_NE(Log().find(L"service: stopped, resolution released"), std::wstring::npos);
}

TEST_F(TimerServiceTest, ShutdownEndsTheServiceLikeStop) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(TimerServiceControlHandler(platform::service_control::kShutdown, 0, nullptr, nullptr),
            0u);
  machine_.services.StopAll();
  EXPECT_EQ(State(), ServiceRunState::kStopped);
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
}

TEST_F(TimerServiceTest, InterrogateKeepsTheStateAndPauseIsNotImplemented) {
  ASSERT_TRUE(Start());
  auto manager = machine_.services.OpenManager(platform::manager_access::kConnect);
  auto service = machine_.services.Open(**manager, kServiceName, platform::service_access::kAll);
  auto answer = machine_.services.Control(**service, platform::service_control::kInterrogate);
  ASSERT_TRUE(answer.ok());
  EXPECT_EQ(answer->state, ServiceRunState::kRunning);
  EXPECT_EQ(TimerServiceControlHandler(platform::service_control::kPause, 0, nullptr, nullptr),
            platform::service_error::kCallNotImplemented);
  // The manager itself refuses a control the service never accepted.
  auto pause = machine_.services.Control(**service, platform::service_control::kPause);
  ASSERT_FALSE(pause.ok());
  EXPECT_EQ(pause.error().win32_error, platform::service_error::kInvalidControl);
  EXPECT_EQ(State(), ServiceRunState::kRunning);
}

TEST_F(TimerServiceTest, AFailedFirstRequestStopsWithExitCodeOne) {
  machine_.timer.FailNext(platform::TimerOp::kSet, support::ErrorCode::kFailed);
  EXPECT_FALSE(Start());
  const auto view = machine_.services.Find(kServiceName);
  EXPECT_EQ(view->status.state, ServiceRunState::kStopped);
  EXPECT_EQ(view->status.win32_exit_code, 1u);
  EXPECT_EQ(view->failures, 1u);
  EXPECT_NE(Log().find(L"service: NtSetTimerResolution failed"), std::wstring::npos);
  EXPECT_EQ(Product(L"AppliedResolution"), 0u);
}

// A service that cannot hold a period stops with exit code 1, so the manager's failure
// actions restart it; it never asks for 0 and never spins or looks like a clean stop.
TEST_F(TimerServiceTest, WhatItCannotDoStopsItWithExitCodeOne) {
  struct Case {
    const char* name;
    std::function<void(platform::SimMachine&)> fault;
    const wchar_t* line;
    bool requested;  // it held a period before the fault
  };
  const Case kCases[] = {
      {"the range cannot be queried",
       [](platform::SimMachine& m) {
         m.timer.FailNext(platform::TimerOp::kQuery, support::ErrorCode::kFailed);
       },
       L"service: NtQueryTimerResolution failed", false},
      {"no stop event",
       [](platform::SimMachine& m) {
         m.services.FailNext(platform::ServiceOp::kNewEvent, support::ErrorCode::kFailed);
       },
       L"service: CreateEvent failed; stopping", false},
      {"the wait fails",
       [](platform::SimMachine& m) {
         m.services.FailNext(platform::ServiceOp::kWait, support::ErrorCode::kFailed);
       },
       L"service: waiting for the stop event failed; resolution released", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.services.StopAll();  // the previous case's program has ended
    (void)machine_.files.Delete(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    const std::uint32_t sets = machine_.timer.Sets();
    c.fault(machine_);
    (void)Start();
    // The service ends by itself; a stop sent meanwhile would race its own ending.
    for (int polls = 0; polls < 500 && State() != ServiceRunState::kStopped; ++polls) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    const auto view = machine_.services.Find(kServiceName);
    EXPECT_EQ(view->status.state, ServiceRunState::kStopped);
    EXPECT_EQ(view->status.win32_exit_code, 1u);
    EXPECT_NE(Log().find(c.line), std::wstring::npos) << support::ToUtf8(Log());
    EXPECT_EQ(machine_.timer.Sets() > sets, c.requested);
    EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  }
}

// A data file no parser should see (here far above any size a run writes) never stops
// the service: it is left alone and the saved period is held.
TEST_F(TimerServiceTest, AnOversizedAggregateIsLeftAloneAndTheSavedPeriodHeld) {
  SeedProduct(L"DesiredResolution", 5070);
  machine_.files.Seed(L"C:\\ProgramData\\Veltrane\\aggregate-master.csv",
                      std::string(8u << 20, '9'));
  ASSERT_TRUE(Start());
  EXPECT_EQ(machine_.timer.OwnRequest(), 5070u);
  EXPECT_NE(Log().find(L"aggregate-master.csv is larger than 4194304 bytes"), std::wstring::npos);
}

// The service sets what every program gets: it takes the aggregate only from a folder and
// a file that nobody but administrators may change, never rebuilds it from run files, and
// otherwise holds the saved period and says why.
TEST_F(TimerServiceTest, TakesTheAggregateOnlyFromFilesNobodyElseMayChange) {
  const std::wstring kAggregate = L"C:\\ProgramData\\Veltrane\\aggregate-master.csv";
  enum class Plant { kNothing, kForeignFile, kUserWritableFile, kOnlyRunFiles };
  struct Case {
    const char* name;
    Plant plant;
    std::uint32_t held;
    const wchar_t* why;  // nullptr: no refusal logged
  };
  const Case kCases[] = {
      {"the administrators' aggregate", Plant::kNothing, 5010, nullptr},
      {"a file another user owns", Plant::kForeignFile, 5070, L"belongs to another user"},
      {"a file users may change", Plant::kUserWritableFile, 5070, L"lets other users change it"},
      {"no aggregate, many run files", Plant::kOnlyRunFiles, 5070, L"does not exist"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    (void)machine_.files.Delete(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    SeedProduct(L"DesiredResolution", 5070);
    SaveTwoRuns(5010, 5070);
    if (c.plant == Plant::kForeignFile)
      machine_.files.SetFolderTrust(kAggregate, {false, false, false});
    if (c.plant == Plant::kUserWritableFile)
      machine_.files.SetFolderTrust(kAggregate, {false, true, true});
    if (c.plant == Plant::kOnlyRunFiles) {
      ASSERT_TRUE(machine_.files.Delete(kAggregate).ok());
      for (int i = 0; i < 50; ++i) {
        machine_.files.Seed(
            Format(L"C:\\ProgramData\\Veltrane\\benchmark-2024%04d-000000.csv", i),
            "sweep,5600,5600,0.56,10,1,1,0,1,1,1,1,0,1,1,10,1,1,0,1,1,1,1,0,1,1,1,1\n");
      }
    }
    ASSERT_TRUE(Start());
    EXPECT_EQ(machine_.timer.OwnRequest(), c.held);
    const std::wstring log = Log();
    const std::size_t refusal = log.find(L"service: the aggregate is not used (");
    if (c.why == nullptr) {
      EXPECT_EQ(refusal, std::wstring::npos) << support::ToUtf8(log);
    } else {
      EXPECT_NE(log.find(c.why, refusal), std::wstring::npos) << support::ToUtf8(log);
      EXPECT_NE(log.find(L"the saved 0.5070 ms is held"), std::wstring::npos);
    }
    // Nothing the service read was rebuilt or written back.
    EXPECT_EQ(machine_.files.Exists(kAggregate), c.plant != Plant::kOnlyRunFiles);
    ASSERT_TRUE(StopServiceByName(kServiceName));
    (void)machine_.files.Delete(kAggregate);
  }
}

TEST_F(TimerServiceTest, WithoutRegistrationNothingIsReportedOrRequested) {
  machine_.services.FailNext(platform::ServiceOp::kRegister, support::ErrorCode::kFailed);
  EXPECT_FALSE(Start());
  EXPECT_FALSE(machine_.timer.OwnRequest().has_value());
  EXPECT_EQ(Log().find(L"service: starting"), std::wstring::npos);
}

TEST_F(TimerServiceTest, TheDispatcherFailsOutsideTheServiceManager) {
  EXPECT_EQ(RunTimerServiceDispatcher(), 1);
}

}  // namespace
