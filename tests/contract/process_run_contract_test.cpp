// Processes, RunProcess: a tool by path in a chosen folder, its exit code, and a time-out
// that kills it or leaves it running.
#include <gtest/gtest.h>

#include <string>

#include "contract/contract_system.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/processes.h"

namespace {

class ProcessRunContract : public ::testing::Test {
 protected:
  // The helper's path: the first quoted token of its command line.
  static std::wstring HelperExe() {
    const std::wstring line = contract::HelperCommandLine(0, 0, L"");
    return line.substr(1, line.find(L'"', 1) - 1);
  }

  platform::System& sys_ = contract::ContractSystem();
  const std::wstring dir_ = contract::NewScratchFolder();
};

TEST_F(ProcessRunContract, ExitCodesAndTimeOuts) {
  struct Case {
    const char* name;
    std::uint32_t exit_code, tool_ms, limit_ms;
    bool kill;
    bool timed_out;
    std::uint32_t reported;
  };
  const Case kCases[] = {
      {"ends in time", 3010, 0, 30000, true, false, 3010},
      {"killed at the limit", 0, 1500, 300, true, true, 1},
      {"left running at the limit", 0, 1500, 300, false, true, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::wstring marker = dir_ + L"\\" + std::wstring(c.name, c.name + 4) + L".done";
    const auto end = sys_.processes.RunProcess(
        HelperExe(), contract::HelperCommandLine(c.exit_code, c.tool_ms, marker), dir_, c.limit_ms,
        c.kill, true);
    ASSERT_TRUE(end.ok()) << end.error().win32_error;
    EXPECT_EQ(end->timed_out, c.timed_out);
    EXPECT_EQ(end->exit_code, c.reported);
    if (c.timed_out) sys_.clock.Sleep(c.tool_ms + 1500);
  }
}

// An installer is held open (read sharing only) from its check until it has run: the
// hold must not keep it from starting.
TEST_F(ProcessRunContract, HeldProgramStillStarts) {
  const auto held = sys_.files.OpenHeld(HelperExe());
  ASSERT_TRUE(held.ok()) << held.error().win32_error;
  const auto end = sys_.processes.RunProcess(HelperExe(), contract::HelperCommandLine(7, 0, L""),
                                             dir_, 30000, true, true);
  ASSERT_TRUE(end.ok()) << end.error().win32_error;
  EXPECT_EQ(end->exit_code, 7u);
}

TEST_F(ProcessRunContract, MissingToolDoesNotStart) {
  const auto missing = sys_.processes.RunProcess(
      dir_ + L"\\none.exe", L"\"" + dir_ + L"\\none.exe\"", L"", 1000, true, true);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().win32_error, 2u);
}

}  // namespace
