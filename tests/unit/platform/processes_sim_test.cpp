// The tool emulators: how a command line finds its emulator, and what a time-out does.
#include "platform/sim/processes_sim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using support::ErrorCode;

// A tool registered at its path is found only there; a program whose folder each run
// makes up is registered by name; a bare name is never found, as no PATH is searched.
TEST(SimProcessesTest, ACommandLineFindsTheToolAtItsPath) {
  struct Case {
    const char* name;
    std::wstring command_line;
    bool found;
  };
  const Case kCases[] = {
      {"quoted system path", L"\"C:\\Windows\\system32\\powercfg.exe\" /l", true},
      {"other case, forward slashes", L"c:/WINDOWS/System32/POWERCFG.EXE /l", true},
      {"no extension", L"C:\\Windows\\system32\\powercfg /l", true},
      {"another folder", L"\"C:\\Users\\Player\\Downloads\\powercfg.exe\" /l", false},
      {"bare name", L"powercfg.exe /l", false},
      {"registered by name, any folder", L"\"C:\\ProgramData\\Veltrane\\run-1\\setup.exe\" -s",
       true},
      {"registered by name, bare", L"setup.exe -s", false},
  };
  SimClock clock;
  SimProcesses processes(clock);
  processes.RegisterFixed(L"C:\\Windows\\system32\\powercfg.exe", 0);
  processes.RegisterFixed(L"setup.exe", 0);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto result = processes.RunHidden(c.command_line, 1000);
    EXPECT_EQ(result.ok(), c.found);
    EXPECT_EQ(result.ok() ? 0u : result.error().win32_error, c.found ? 0u : 2u);
  }
}

TEST(SimProcessesTest, RunsTheEmulatorAndTakesItsTime) {
  SimClock clock;
  SimProcesses processes(clock);
  std::wstring seen;
  processes.Register(L"PowerCfg.exe", [&seen](const std::wstring& line) {
    seen = line;
    return SimProcesses::Outcome::Ends(7, 1200);
  });
  const std::uint64_t start = clock.TickCount64();
  const auto result = processes.RunHidden(L"\"C:\\Windows\\system32\\powercfg.exe\" /l", 20000);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(*result, 7u);
  EXPECT_EQ(seen, L"\"C:\\Windows\\system32\\powercfg.exe\" /l");
  EXPECT_EQ(clock.TickCount64() - start, 1200u);
}

TEST(SimProcessesTest, TimeOutKillsTheToolBeforeItFinishes) {
  SimClock clock;
  SimProcesses processes(clock);
  bool finished = false;
  processes.Register(L"slow.exe", [&finished](const std::wstring&) {
    return SimProcesses::Outcome::Ends(0, 60000, [&finished] { finished = true; });
  });
  const std::uint64_t start = clock.TickCount64();
  const auto result = processes.RunHidden(L"C:\\Tools\\slow.exe", 20000);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().code, ErrorCode::kTimeout);
  EXPECT_EQ(clock.TickCount64() - start, 20000u);
  EXPECT_FALSE(finished);
  ASSERT_EQ(processes.runs().size(), 1u);
  EXPECT_TRUE(processes.runs()[0].terminated);
}

TEST(SimProcessesTest, StartFailuresAreRecorded) {
  SimClock clock;
  SimProcesses processes(clock);
  processes.RegisterFixed(L"pnputil.exe", 0);
  processes.FailNextStart(ErrorCode::kAccessDenied);
  const auto denied =
      processes.RunHidden(L"C:\\Windows\\system32\\pnputil.exe /enum-drivers", 1000);
  ASSERT_FALSE(denied.ok());
  EXPECT_EQ(denied.error().win32_error, 5u);
  const auto unknown = processes.RunHidden(L"C:\\Windows\\system32\\tar.exe -xf a.tar", 1000);
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.error().code, ErrorCode::kNotFound);
  EXPECT_EQ(unknown.error().win32_error, 2u);
  EXPECT_TRUE(processes.RunHidden(L"C:\\Windows\\system32\\pnputil.exe /enum-drivers", 1000).ok());
  const auto runs = processes.runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_FALSE(runs[0].started);
  EXPECT_FALSE(runs[1].started);
  EXPECT_TRUE(runs[2].started);
  EXPECT_EQ(processes.command_lines()[1], L"C:\\Windows\\system32\\tar.exe -xf a.tar");
}

}  // namespace
}  // namespace platform
