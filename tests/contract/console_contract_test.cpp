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

}  // namespace
