// The tool emulators: how a command line finds its emulator, and what a time-out does.
#include "platform/sim/processes_sim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using support::ErrorCode;

TEST(SimProcessesTest, ToolKeyIsTheExecutableFileName) {
  struct Case {
    const char* name;
    std::wstring command_line;
    std::wstring key;
  };
  const Case kCases[] = {
      {"quoted path with blanks", L"\"C:\\Program Files\\7-Zip\\7z.exe\" x a.7z", L"7Z.EXE"},
      {"bare path", L"C:\\Windows\\system32\\powercfg.exe /setactive x", L"POWERCFG.EXE"},
      {"no extension", L"schtasks /Query", L"SCHTASKS.EXE"},
      {"leading blanks", L"  fsutil.exe behavior", L"FSUTIL.EXE"},
      {"forward slashes", L"C:/Windows/system32/wbem/WMIC.exe path", L"WMIC.EXE"},
      {"empty", L"", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SimProcesses::ToolKey(c.command_line), c.key);
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
  const auto result = processes.RunHidden(L"slow.exe", 20000);
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
  const auto denied = processes.RunHidden(L"pnputil.exe /enum-drivers", 1000);
  ASSERT_FALSE(denied.ok());
  EXPECT_EQ(denied.error().win32_error, 5u);
  const auto unknown = processes.RunHidden(L"tar.exe -xf a.tar", 1000);
  ASSERT_FALSE(unknown.ok());
  EXPECT_EQ(unknown.error().code, ErrorCode::kNotFound);
  EXPECT_EQ(unknown.error().win32_error, 2u);
  EXPECT_TRUE(processes.RunHidden(L"pnputil.exe /enum-drivers", 1000).ok());
  const auto runs = processes.runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_FALSE(runs[0].started);
  EXPECT_FALSE(runs[1].started);
  EXPECT_TRUE(runs[2].started);
  EXPECT_EQ(processes.command_lines()[1], L"tar.exe -xf a.tar");
}

}  // namespace
}  // namespace platform
