// Console: what can be checked without a person at the keyboard.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/console.h"

namespace {

TEST(ConsoleContract, AStreamIsNeverBothConsoleAndRedirected) {
  auto& console = contract::ContractSystem().console;
  for (const auto stream :
       {platform::StdStream::kIn, platform::StdStream::kOut, platform::StdStream::kErr}) {
    SCOPED_TRACE(static_cast<int>(stream));
    EXPECT_FALSE(console.IsConsole(stream) && console.IsRedirected(stream));
  }
}

// ">NUL" is where the caller chose to send the output: redirected, so attaching a console
// never takes the stream back.
TEST(ConsoleContract, StandardOutputAtNulIsRedirected) {
  auto& console = contract::ContractSystem().console;
  contract::PointStandardOutputAtNul();
  const bool redirected = console.IsRedirected(platform::StdStream::kOut);
  const bool is_console = console.IsConsole(platform::StdStream::kOut);
  contract::RestoreStandardOutput();
  EXPECT_TRUE(redirected);
  EXPECT_FALSE(is_console);
}

}  // namespace
