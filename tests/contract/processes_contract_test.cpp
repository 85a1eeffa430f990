// Processes: the same assertions against the sim (an emulated helper tool) and the Win32
// adapter (this test program started again as the helper).
#include <gtest/gtest.h>

#include <cstdint>
#include <cwctype>
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

// A tool past its time-out is killed together with everything it started, and all of it
// is gone by the time the call reports 258.
TEST_F(ProcessesContract, TimeOutKillsTheToolAndSaysSo) {
  struct Case {
    const char* name;
    bool tree;
    std::uint32_t tool_ms, limit_ms;
  };
  // The child needs time to start before the limit, under Wine too.
  const Case kCases[] = {{"the tool alone", false, 1500, 300},
                         {"the tool and the child it started", true, 6000, 3000}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::wstring marker = dir_ + L"\\" + (c.tree ? L"tree" : L"alone");
    const std::wstring line = c.tree ? contract::HelperTreeCommandLine(c.tool_ms, marker)
                                     : contract::HelperCommandLine(0, c.tool_ms, marker);
    const std::uint64_t start = sys_.clock.TickCount64();
    const auto result = sys_.processes.RunHidden(line, c.limit_ms);
    const std::uint64_t waited = sys_.clock.TickCount64() - start;
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, ErrorCode::kTimeout);
    EXPECT_EQ(result.error().win32_error, 258u);
    // The wait ended at the time-out (give or take the tick granularity), not the tool's end.
    EXPECT_GE(waited + 32, c.limit_ms);
    EXPECT_LT(waited, c.tool_ms);
    // The child's unshared file can go at once only if the child has already ended.
    if (c.tree) {
      EXPECT_TRUE(sys_.files.Exists(marker + L".held"));
      EXPECT_TRUE(sys_.files.Delete(marker + L".held").ok());
    }
    // A tool or child still alive would have written its marker by now.
    sys_.clock.Sleep(c.tool_ms + 1500);
    EXPECT_FALSE(sys_.files.Exists(marker));
  }
}

TEST_F(ProcessesContract, MissingExecutableIsFileNotFound) {
  const auto result = sys_.processes.RunHidden(L"\"" + dir_ + L"\\missing-tool.exe\" /x", 1000);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().code, ErrorCode::kNotFound);
  EXPECT_EQ(result.error().win32_error, 2u);
}

// The file name of the first token of a command line, upper-cased, to compare image paths.
std::wstring ExeName(std::wstring path) {
  if (!path.empty() && path[0] == L'"') path = path.substr(1, path.find(L'"', 1) - 1);
  path = path.substr(path.find_last_of(L"\\/") + 1);
  for (wchar_t& c : path) c = static_cast<wchar_t>(std::towupper(c));
  return path;
}

TEST_F(ProcessesContract, StartedProgramIsListedWaitedOnAndTerminated) {
  const std::wstring line = contract::HelperCommandLine(0, 20000, L"");
  const auto started = sys_.processes.Start(line, dir_, true);
  ASSERT_TRUE(started.ok()) << started.error().win32_error;
  bool listed = false;
  for (const auto& entry : sys_.processes.List()) {
    if (entry.id == *started) listed = ExeName(entry.image_path) == ExeName(line);
  }
  EXPECT_TRUE(listed);
  const auto still = sys_.processes.Wait(*started, 100);
  ASSERT_FALSE(still.ok());
  EXPECT_EQ(still.error().code, ErrorCode::kTimeout);
  ASSERT_TRUE(sys_.processes.Terminate(*started, 3).ok());
  const auto ended = sys_.processes.Wait(*started, 5000);
  ASSERT_TRUE(ended.ok());
  EXPECT_EQ(*ended, 3u);
}

TEST_F(ProcessesContract, WaitGivesTheExitCodeEvenAfterTheEnd) {
  const auto started = sys_.processes.Start(contract::HelperCommandLine(7, 100, L""), L"", true);
  ASSERT_TRUE(started.ok());
  sys_.clock.Sleep(1500);
  const auto ended = sys_.processes.Wait(*started, 30000);
  ASSERT_TRUE(ended.ok());
  EXPECT_EQ(*ended, 7u);
  EXPECT_EQ(sys_.processes.Terminate(0xFFFFFFF0u, 1).error().code, ErrorCode::kNotFound);
  EXPECT_EQ(sys_.processes.Start(L"\"" + dir_ + L"\\missing.exe\"", L"", true).error().code,
            ErrorCode::kNotFound);
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
  const auto run =
      sys_.processes.RunCaptured(contract::HelperCommandLine(0, 1500, marker), 300, 64);
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
