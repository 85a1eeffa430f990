#include "app/console_dispatch.h"

#include <gtest/gtest.h>

#include "app/parse_options.h"
#include "app/product.h"
#include "app/thread_context.h"
#include "sim_fixture.h"

namespace {

// Another elevated process holds the single-instance lock.
void HoldLockElsewhere(platform::SimMachine& machine) {
  machine.instance_lock.HoldElsewhereForAdministrators(kInstanceNamespace, kInstanceMutexName);
}

bool LockHeld(platform::SimMachine& machine) {
  return machine.instance_lock.IsHeldForAdministrators(kInstanceNamespace, kInstanceMutexName);
}

class ConsoleDispatchTest : public SimMachineTest {
 protected:
  void SetUp() override { machine_.console.SetAllStreams(Kind::kConsole); }

  int Run(const Arguments& args) {
    Options options;
    EXPECT_TRUE(ParseOptions(args, options));
    return RunConsoleCommand(options, args);
  }
};

TEST_F(ConsoleDispatchTest, BusyLockStopsMachineChangingCommandsOnly) {
  HoldLockElsewhere(machine_);
  struct Case {
    const char* name;
    Arguments args;
  };
  const Case kBlocked[] = {{"install", {L"--install"}},     {"default flow", {L"--cli"}},
                           {"benchmark", {L"--benchmark"}}, {"start", {L"--start"}},
                           {"stop", {L"--stop"}},           {"uninstall", {L"--uninstall"}},
                           {"ppm", {L"--apply-ppm"}},       {"memory", {L"--apply-memory"}}};
  for (const Case& c : kBlocked) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    EXPECT_EQ(Run(c.args), 1);
    EXPECT_EQ(Err(), L"Another Veltrane operation is already running.\n");
    EXPECT_TRUE(LockHeld(machine_));
  }
  for (const Arguments& args : {Arguments{L"--status"}, Arguments{L"--health"}}) {
    machine_.console.ClearOutput();
    Run(args);
    EXPECT_EQ(Err().find(L"Another Veltrane operation"), std::wstring::npos);
  }
  EXPECT_EQ(Run({L"--status"}), 0);
}

// Only a name that is already there means another operation; any other failure of the
// lock gets its own message. A removal that fails exits 1 without "Uninstalled.".
TEST_F(ConsoleDispatchTest, LockAndUninstallFailuresSayWhatHappened) {
  struct Case {
    const char* name;
    bool lock_fails;
    Arguments args;
    std::wstring err;
  };
  const Case kCases[] = {
      {"the lock cannot be made",
       true,
       {L"--stop"},
       L"Could not create the single-instance lock (error 5).\n"},
      {"the manager refuses the uninstall",
       false,
       {L"--uninstall"},
       L"OpenSCManager failed (error 5).\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    if (c.lock_fails) machine_.instance_lock.FailNextCreate();
    machine_.services.RefuseManager(!c.lock_fails);
    EXPECT_EQ(Run(c.args), 1);
    EXPECT_EQ(Err().substr(0, c.err.size()), c.err);
    EXPECT_EQ(Out().find(L"Uninstalled."), std::wstring::npos);
  }
}

// The lock lives where only elevated administrators reach it: a standard user holding the
// global name blocks nothing; an unelevated copy, which cannot take the lock, still
// relaunches; where the system has no private namespaces the global name is the lock.
TEST_F(ConsoleDispatchTest, LockLivesWhereOnlyAdministratorsReachIt) {
  machine_.instance_lock.HoldElsewhere(L"Global\\Veltrane.SingleInstance");
  struct Case {
    const char* name;
    bool namespaces;
    bool elevated;
    int code;
    std::wstring out;
    std::wstring err;
    bool fallback_logged;
  };
  const Case kCases[] = {
      {"a squat on the global name", true, true, 1, L"", L"Service is not installed.\n", false},
      {"an unelevated copy", true, false, 0,
       L"Requesting administrator privileges (approve the UAC prompt)...\n", L"", false},
      {"no private namespaces", false, true, 1, L"",
       L"Another Veltrane operation is already running.\n", true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    machine_.instance_lock.SetPrivateNamespaces(c.namespaces);
    machine_.environment.SetElevated(c.elevated);
    EXPECT_EQ(Run({L"--stop"}), c.code);
    EXPECT_EQ(Out(), c.out);
    EXPECT_EQ(Err(), c.err);
    EXPECT_EQ(Log().find(L"No private namespaces on this system; the single-instance lock uses "
                         L"Global\\Veltrane.SingleInstance.") != std::wstring::npos,
              c.fallback_logged);
    EXPECT_FALSE(LockHeld(machine_));
  }
}

TEST_F(ConsoleDispatchTest, LockIsHeldForTheFlowAndReleasedAfter) {
  EXPECT_EQ(Run({L"--apply-afterburner"}), 1);
  EXPECT_FALSE(LockHeld(machine_));
  // A second run can take it again.
  EXPECT_EQ(Run({L"--apply-afterburner"}), 1);
  EXPECT_EQ(Err(),
            L"7-Zip is required to open the Afterburner package.\n"
            L"7-Zip is required to open the Afterburner package.\n");
}

TEST_F(ConsoleDispatchTest, CommandsNotInThisBuildSayItAndFail) {
  struct Case {
    const char* name;
    Arguments args;
    int code;
    std::wstring err;
    std::wstring out;
  };
  const Case kCases[] = {
      {"ppm skipped counts as success",
       {L"--apply-ppm", L"--no-ppm"},
       0,
       L"",
       L"Skipping PPM tweaks (--no-ppm).\n"},
      {"gpu skipped counts as success",
       {L"--apply-gpu", L"--no-gpu"},
       0,
       L"",
       L"Skipping GPU tweaks (--no-gpu).\n"},
      {"afterburner without it installed or a network",
       {L"--apply-afterburner"},
       1,
       L"7-Zip is required to open the Afterburner package.\n",
       L"Installing MSI Afterburner and RivaTuner, then scanning a startup overclock. This takes "
       L"about 30 minutes.\nThe Afterburner download and OC scan take about 30 minutes.\n"
       L"Downloading MSI Afterburner 4.6.6 from the Guru3D archive.\n"
       L"7-Zip is not installed. Install 7-Zip, then try again.\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    EXPECT_EQ(Run(c.args), c.code);
    EXPECT_EQ(Err(), c.err);
    EXPECT_EQ(Out(), c.out);
  }
}

TEST_F(ConsoleDispatchTest, HealthListsAndGuardOnlyLogs) {
  EXPECT_EQ(Run({L"--health"}), 0);
  EXPECT_EQ(Err(), L"");
  // The count of a fresh sim machine, then the first check.
  const std::size_t count = Out().find_first_not_of(L"0123456789");
  EXPECT_GT(count, 0u);
  EXPECT_EQ(Out().find(L" items need attention.\n  [Needs attention] Timer Resolution | Timer "
                       L"service | service is not installed\n"),
            count);
  machine_.console.ClearOutput();
  EXPECT_EQ(Run({L"--guard"}), 0);
  EXPECT_EQ(Out() + Err(), L"");
  EXPECT_NE(Log().find(L"  Startup guard\r\n"), std::wstring::npos);
}

TEST_F(ConsoleDispatchTest, DwellSwitchFollowsNoPauseForSteps) {
  CurrentThreadContext().dwellEnabled = false;
  Run({L"--apply-memory"});
  EXPECT_TRUE(CurrentThreadContext().dwellEnabled);
  Run({L"--apply-prepare", L"--no-pause"});
  EXPECT_FALSE(CurrentThreadContext().dwellEnabled);
}

TEST_F(ConsoleDispatchTest, UnelevatedCopyRelaunchesBeforeChangingTheMachine) {
  machine_.environment.SetElevated(false);
  EXPECT_EQ(Run({L"--apply-memory"}), 0);
  EXPECT_EQ(Out(), L"Requesting administrator privileges (approve the UAC prompt)...\n");
  ASSERT_EQ(machine_.shell.elevated_runs().size(), 1u);
  EXPECT_EQ(machine_.shell.elevated_runs()[0].parameters, L"\"--apply-memory\" \"--elevated\"");
  EXPECT_FALSE(LockHeld(machine_));

  machine_.console.ClearOutput();
  machine_.shell.SetElevationAccepted(false);
  EXPECT_EQ(Run({L"--apply-memory"}), 1);
  EXPECT_EQ(Err(), L"Elevation was declined or failed. Veltrane must run as administrator.\n");
}

TEST_F(ConsoleDispatchTest, HelpAndVersionPrintWithoutLockOrLog) {
  HoldLockElsewhere(machine_);
  EXPECT_EQ(Run({L"--version"}), 0);
  EXPECT_EQ(Run({L"-h"}), 0);
  EXPECT_NE(Out().find(L"Usage:"), std::wstring::npos);
  EXPECT_EQ(Log(), L"");
}

}  // namespace

namespace {

class DefaultFlowPauseTest : public ConsoleDispatchTest {};

// The pinned default flow with every optional step skipped: the install alone.
Arguments PinnedDefaultFlow(std::initializer_list<const wchar_t*> extra) {
  Arguments args = {L"--resolution", L"5070",     L"--yes",    L"--no-prepare",    L"--no-memory",
                    L"--no-storage", L"--no-ppm", L"--no-gpu", L"--no-afterburner"};
  for (const wchar_t* arg : extra) args.push_back(arg);
  return args;
}

TEST_F(DefaultFlowPauseTest, OnlyTheDefaultFlowWaitsForEnter) {
  struct Case {
    const char* name;
    Arguments args;
    bool pauses;
  };
  const Case kCases[] = {
      {"default flow", PinnedDefaultFlow({L"--cli"}), true},
      {"--no-pause", PinnedDefaultFlow({L"--cli", L"--no-pause"}), false},
      {"install is a named command", PinnedDefaultFlow({L"--install"}), false},
  };
  const std::wstring kPrompt = L"\nPress Enter to close...";
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.console.SetAllStreams(Kind::kConsole);
    machine.console.AddInputLine(L"");
    Options options;
    ASSERT_TRUE(ParseOptions(c.args, options));
    // The pause follows whatever the flow returned; its code is the flow's own business.
    RunConsoleCommand(options, c.args);
    const std::wstring out = machine.console.Output(Stream::kOut);
    const bool ends_with_prompt =
        out.size() >= kPrompt.size() &&
        out.compare(out.size() - kPrompt.size(), kPrompt.size(), kPrompt) == 0;
    EXPECT_EQ(ends_with_prompt, c.pauses) << support::ToUtf8(out);
    // The typed line was read only when the prompt was shown; the lock was already gone.
    EXPECT_EQ(machine.console.ReadLine(8).has_value(), !c.pauses);
    EXPECT_FALSE(LockHeld(machine));
  }
}

TEST_F(ConsoleDispatchTest, SelfTestReportsItsVerdict) {
  EXPECT_EQ(Run({L"--self-test"}), 0);
  EXPECT_EQ(Out(), L"Self-test passed.\n");
}

}  // namespace
