#include "app/command_runner.h"

#include <gtest/gtest.h>

#include "app/dword_values.h"
#include "sim_fixture.h"

namespace {

class CommandRunnerTest : public SimMachineTest {};

TEST_F(CommandRunnerTest, RunHiddenResults) {
  struct Case {
    const char* name;
    std::uint32_t exit_code;
    std::uint32_t duration_ms;
    std::uint32_t timeout_ms;
    std::uint32_t expected;
    bool terminated;
  };
  const Case kCases[] = {
      {"success", 0, 100, 20000, 0, false},
      {"tool's own failure code", 5, 100, 20000, 5, false},
      {"past its time-out", 0, 30000, 20000, 258, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.processes.RegisterFixed(L"fsutil.exe", c.exit_code, c.duration_ms);
    const std::uint64_t before = machine_.clock.TickCount64();
    EXPECT_EQ(RunHidden(L"C:\\Windows\\system32\\fsutil.exe", L"behavior set x 1", c.timeout_ms),
              c.expected);
    EXPECT_EQ(machine_.processes.runs().back().terminated, c.terminated);
    EXPECT_LE(machine_.clock.TickCount64() - before, c.timeout_ms);
  }
}

TEST_F(CommandRunnerTest, CommandLineQuotesOnlyThePath) {
  machine_.processes.RegisterFixed(L"tool.exe", 0);
  EXPECT_EQ(RunHidden(L"C:\\Program Files\\x\\tool.exe", L"-a \"b c\"", 1000), 0u);
  EXPECT_EQ(machine_.processes.command_lines().back(),
            L"\"C:\\Program Files\\x\\tool.exe\" -a \"b c\"");
}

TEST_F(CommandRunnerTest, StartFailuresReturnTheSystemError) {
  EXPECT_EQ(RunHidden(L"C:\\nowhere\\missing.exe", L"", 1000), 2u);
  machine_.processes.RegisterFixed(L"tool.exe", 0);
  machine_.processes.FailNextStart(support::ErrorCode::kAccessDenied, 5);
  EXPECT_EQ(RunHidden(L"C:\\x\\tool.exe", L"", 1000), 5u);
  // A start failure that carries no system error still counts as a failure.
  machine_.processes.FailNextStart(support::ErrorCode::kFailed, 0);
  EXPECT_NE(RunHidden(L"C:\\x\\tool.exe", L"", 1000), 0u);
}

TEST_F(CommandRunnerTest, PowerShellPathAndArguments) {
  struct Case {
    const char* name;
    const wchar_t* system_root;  // nullptr: unset
    std::wstring exe;
  };
  const std::wstring too_long = L"D:\\" + std::wstring(300, L'w');
  const Case kCases[] = {
      // The user's %SystemRoot% never names the program that runs elevated.
      {"SystemRoot", L"D:\\Win", L"C:\\Windows\\system32"},
      {"unset", nullptr, L"C:\\Windows\\system32"},
      {"too long for the buffer", too_long.c_str(), L"C:\\Windows\\system32"},
  };
  machine_.processes.RegisterFixed(L"powershell.exe", 0);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.system_root) {
      machine_.environment.SetVariable(L"SystemRoot", c.system_root);
    } else {
      machine_.environment.UnsetVariable(L"SystemRoot");
    }
    EXPECT_EQ(RunPowerShell(L"Disable-MMAgent -mc", 60000), 0u);
    EXPECT_EQ(machine_.processes.runs().back().timeout_ms, 60000u);
    EXPECT_EQ(machine_.processes.command_lines().back(),
              L"\"" + c.exe +
                  L"\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoProfile "
                  L"-NonInteractive -ExecutionPolicy Bypass -Command \"Disable-MMAgent -mc\"");
  }
}

TEST_F(CommandRunnerTest, PowercfgFromTheSystemDirectoryWith20Seconds) {
  machine_.processes.RegisterFixed(L"powercfg.exe", 1);
  EXPECT_EQ(RunPowercfg(L"/setactive SCHEME_MIN"), 1u);
  EXPECT_EQ(machine_.processes.command_lines().back(),
            L"\"C:\\Windows\\system32\\powercfg.exe\" /setactive SCHEME_MIN");
  EXPECT_EQ(machine_.processes.runs().back().timeout_ms, 20000u);
}

TEST_F(CommandRunnerTest, DwordValues) {
  const std::wstring key = L"SOFTWARE\\Veltrane";
  std::uint32_t value = 77;
  EXPECT_FALSE(ReadDwordValue(key, L"Missing", value));
  EXPECT_EQ(value, 77u);

  EXPECT_TRUE(WriteDwordValue(platform::Hive::kLocalMachine, key, L"PpmApplied", 1));
  EXPECT_TRUE(ReadDwordValue(key, L"PpmApplied", value));
  EXPECT_EQ(value, 1u);

  // Reads are always under HKLM.
  EXPECT_TRUE(WriteDwordValue(platform::Hive::kCurrentUser, key, L"UserOnly", 9));
  EXPECT_FALSE(ReadDwordValue(key, L"UserOnly", value));

  machine_.registry.Seed({platform::Hive::kLocalMachine, key, L"Text"}, std::wstring(L"1"));
  EXPECT_FALSE(ReadDwordValue(key, L"Text", value));

  machine_.registry.FailNext(platform::RegOp::kWrite, support::ErrorCode::kAccessDenied, 5);
  EXPECT_FALSE(WriteDwordValue(platform::Hive::kLocalMachine, key, L"PpmApplied", 0));
  EXPECT_TRUE(ReadDwordValue(key, L"PpmApplied", value));
  EXPECT_EQ(value, 1u);
}

}  // namespace
