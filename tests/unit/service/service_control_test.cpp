// The Service Control Manager helpers on seeded services and an unwilling manager.
#include "service/service_control.h"

#include <gtest/gtest.h>

#include "service_fixture.h"

namespace {

using platform::ServiceRunState;
using Behaviour = platform::SimServices::StartBehaviour;

class ServiceControlTest : public ServiceTest {
 protected:
  void SeedService(const std::wstring& name, ServiceRunState state) {
    machine_.services.Seed(
        name, {name, L"C:\\x\\" + name + L".exe", platform::ServiceStartType::kAuto}, state);
  }
};

TEST_F(ServiceControlTest, StateLooksForTheCurrentNameThenTheLegacyOne) {
  struct Case {
    const char* name;
    std::optional<ServiceRunState> current, legacy;
    ServiceState expected;
  };
  const Case kCases[] = {
      {"nothing installed", {}, {}, ServiceState::NotInstalled},
      {"current running", ServiceRunState::kRunning, {}, ServiceState::Running},
      {"current stopped", ServiceRunState::kStopped, {}, ServiceState::Stopped},
      {"current pending counts as not running",
       ServiceRunState::kStartPending,
       {},
       ServiceState::Stopped},
      {"legacy only, running", {}, ServiceRunState::kRunning, ServiceState::Running},
      {"current wins over legacy", ServiceRunState::kStopped, ServiceRunState::kRunning,
       ServiceState::Stopped},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    if (c.current) {
      machine.services.Seed(kServiceName, {}, *c.current);
    }
    if (c.legacy) machine.services.Seed(kLegacyServiceName, {}, *c.legacy);
    EXPECT_EQ(QueryTimerServiceState(), c.expected);
    EXPECT_EQ(IsTimerServiceInstalled(), c.expected != ServiceState::NotInstalled);
  }
}

TEST_F(ServiceControlTest, AnUnreadableStatusCountsAsInstalledButNotRunning) {
  SeedService(kServiceName, ServiceRunState::kRunning);
  machine_.services.FailNext(platform::ServiceOp::kQueryStatus, support::ErrorCode::kFailed);
  EXPECT_EQ(QueryTimerServiceState(), ServiceState::Stopped);
}

TEST_F(ServiceControlTest, ARefusingManagerMeansNotInstalledAndNothingStops) {
  SeedService(kServiceName, ServiceRunState::kRunning);
  machine_.services.RefuseManager(true);
  EXPECT_EQ(QueryTimerServiceState(), ServiceState::NotInstalled);
  EXPECT_FALSE(StopServiceByName(kServiceName));
  EXPECT_FALSE(StartServiceByName(kServiceName));
  EXPECT_FALSE(RemoveLegacyService());
}

TEST_F(ServiceControlTest, StopWaitsForStoppedAndAMissingServiceIsStopped) {
  SeedService(L"Other", ServiceRunState::kRunning);
  EXPECT_TRUE(StopServiceByName(L"Other"));
  EXPECT_EQ(State(L"Other"), ServiceRunState::kStopped);
  EXPECT_TRUE(StopServiceByName(L"Missing"));
  // Already stopped: the control fails, the wait still sees STOPPED.
  EXPECT_TRUE(StopServiceByName(L"Other"));
}

TEST_F(ServiceControlTest, AStopThatHangsGivesUpAfterFifteenSeconds) {
  SeedService(L"Other", ServiceRunState::kRunning);
  machine_.services.SetStopHangs(L"Other", true);
  const std::uint64_t before = machine_.clock.TickCount64();
  EXPECT_FALSE(StopServiceByName(L"Other"));
  EXPECT_GE(machine_.clock.TickCount64() - before, 15000u);
  EXPECT_LT(machine_.clock.TickCount64() - before, 15000u + 400u);
}

TEST_F(ServiceControlTest, StartAcceptsARunningServiceAndFailsOtherwise) {
  SeedService(L"Up", ServiceRunState::kRunning);
  EXPECT_TRUE(StartServiceByName(L"Up"));
  SeedService(L"Down", ServiceRunState::kStopped);
  EXPECT_TRUE(StartServiceByName(L"Down"));
  SeedService(L"Broken", ServiceRunState::kStopped);
  machine_.services.SetStartError(L"Broken", 1053);
  EXPECT_FALSE(StartServiceByName(L"Broken"));
  SeedService(L"Stuck", ServiceRunState::kStopped);
  machine_.services.SetStartBehaviour(L"Stuck", Behaviour::kHangsPending);
  EXPECT_FALSE(StartServiceByName(L"Stuck"));
  EXPECT_FALSE(StartServiceByName(L"Missing"));
}

TEST_F(ServiceControlTest, RemoveLegacyServiceStopsAndDeletesIt) {
  EXPECT_TRUE(RemoveLegacyService());  // nothing there
  SeedService(kLegacyServiceName, ServiceRunState::kRunning);
  EXPECT_TRUE(RemoveLegacyService());
  EXPECT_FALSE(machine_.services.Exists(kLegacyServiceName));
}

TEST_F(ServiceControlTest, ALegacyServiceAlreadyMarkedForDeletionCountsAsRemoved) {
  SeedService(kLegacyServiceName, ServiceRunState::kRunning);
  machine_.services.SetStopHangs(kLegacyServiceName, true);
  // Someone else holds a handle and marked it: it stays until that handle closes.
  auto manager = machine_.services.OpenManager(platform::manager_access::kConnect);
  auto held = machine_.services.Open(**manager, kLegacyServiceName, platform::service_access::kAll);
  ASSERT_TRUE(machine_.services.Delete(**held).ok());
  const std::uint64_t before = machine_.clock.TickCount64();
  EXPECT_TRUE(RemoveLegacyService());
  // The stop wait is bounded at 8 s and its outcome does not matter.
  EXPECT_GE(machine_.clock.TickCount64() - before, 8000u);
  EXPECT_LT(machine_.clock.TickCount64() - before, 8000u + 400u);
}

TEST_F(ServiceControlTest, WaitForServiceStateFailsWhenTheStatusCannotBeRead) {
  SeedService(L"Other", ServiceRunState::kStartPending);
  auto manager = machine_.services.OpenManager(platform::manager_access::kConnect);
  auto service =
      machine_.services.Open(**manager, L"Other", platform::service_access::kQueryStatus);
  machine_.services.FailNext(platform::ServiceOp::kQueryStatus, support::ErrorCode::kFailed);
  const std::uint64_t before = machine_.clock.TickCount64();
  EXPECT_FALSE(WaitForServiceState(**service, ServiceRunState::kRunning, 15000));
  EXPECT_EQ(machine_.clock.TickCount64(), before);
}

}  // namespace
