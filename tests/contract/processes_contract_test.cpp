// Processes: the same assertions against the sim (an emulated helper tool) and the Win32
// adapter (this test program started again as the helper).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "contract/contract_system.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/processes.h"

namespace {

using support::ErrorCode;

class ProcessesContract : public ::testing::Test {
 protected:
  platform::System& sys_ = contract::ContractSystem();
  const std::wstring dir_ = contract::NewScratchFolder();
};

TEST_F(ProcessesContract, ReturnsTheExitCode) {
  for (const std::uint32_t code : {0u, 3u, 258u}) {
    SCOPED_TRACE(code);
    const auto result = sys_.processes.RunHidden(contract::HelperCommandLine(code, 0, L""), 30000);
    ASSERT_TRUE(result.ok()) << result.error().win32_error;
    EXPECT_EQ(*result, code);
  }
}

TEST_F(ProcessesContract, WaitsForTheToolToFinish) {
  const std::wstring marker = dir_ + L"\\finished";
  const auto result = sys_.processes.RunHidden(contract::HelperCommandLine(0, 200, marker), 30000);
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(sys_.files.Exists(marker));
}

TEST_F(ProcessesContract, TimeOutKillsTheToolAndSaysSo) {
  constexpr std::uint32_t kToolMs = 1500;
  constexpr std::uint32_t kTimeoutMs = 300;
  const std::wstring marker = dir_ + L"\\finished";
  const std::uint64_t start = sys_.clock.TickCount64();
  const auto result =
      sys_.processes.RunHidden(contract::HelperCommandLine(0, kToolMs, marker), kTimeoutMs);
  const std::uint64_t waited = sys_.clock.TickCount64() - start;
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().code, ErrorCode::kTimeout);
  EXPECT_EQ(result.error().win32_error, 258u);
  // The wait ended at the time-out (give or take the tick granularity), not the tool's end.
  EXPECT_GE(waited + 32, kTimeoutMs);
  EXPECT_LT(waited, kToolMs);
  // A tool still alive would have written its marker by now.
  sys_.clock.Sleep(kToolMs + 1500);
  EXPECT_FALSE(sys_.files.Exists(marker));
}

TEST_F(ProcessesContract, MissingExecutableIsFileNotFound) {
  const auto result = sys_.processes.RunHidden(L"\"" + dir_ + L"\\missing-tool.exe\" /x", 1000);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().code, ErrorCode::kNotFound);
  EXPECT_EQ(result.error().win32_error, 2u);
}

}  // namespace

namespace {

TEST_F(ProcessesContract, CapturesWhatTheToolPrints) {
  const auto run = sys_.processes.RunCaptured(contract::HelperCommandLine(3, 0, L""), 30000, 4096);
  ASSERT_TRUE(run.ok()) << run.error().win32_error;
  EXPECT_EQ(run->exit_code, 3u);
  EXPECT_EQ(run->output, "helper says 3\r\n");
  // The cap keeps the start.
  const auto capped = sys_.processes.RunCaptured(contract::HelperCommandLine(0, 0, L""), 30000, 6);
  ASSERT_TRUE(capped.ok());
  EXPECT_EQ(capped->output, "helper");
}

TEST_F(ProcessesContract, CapturedRunTimesOutLikeAnyRun) {
  const std::wstring marker = dir_ + L"\\finished";
  const auto run = sys_.processes.RunCaptured(contract::HelperCommandLine(0, 1500, marker), 300, 64);
  ASSERT_FALSE(run.ok());
  EXPECT_EQ(run.error().code, support::ErrorCode::kTimeout);
  const auto missing =
      sys_.processes.RunCaptured(L"\"" + dir_ + L"\\missing-tool.exe\" /x", 1000, 64);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().win32_error, 2u);
}

TEST_F(ProcessesContract, ImageNamesListsRunningProcesses) {
  const auto names = sys_.processes.ImageNames();
  ASSERT_TRUE(names.ok());
  EXPECT_FALSE(names->empty());
  for (const std::wstring& name : *names) {
    EXPECT_EQ(name.find(L'\\'), std::wstring::npos) << "a file name, not a path";
  }
}

}  // namespace
