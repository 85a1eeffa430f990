// The console sim: where output goes depending on how the streams are set up.
#include "platform/sim/console_sim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using Kind = SimConsole::StreamKind;

TEST(SimConsoleTest, OutputReachesOnlyConsolesAndRedirects) {
  SimConsole console;
  console.Write(StdStream::kOut, L"lost\n");
  console.SetStream(StdStream::kErr, Kind::kRedirected);
  console.Write(StdStream::kErr, L"kept\n");
  EXPECT_EQ(console.Output(StdStream::kOut), L"");
  EXPECT_EQ(console.Output(StdStream::kErr), L"kept\n");
}

TEST(SimConsoleTest, AttachFillsOnlyTheMissingStreams) {
  SimConsole console;
  console.SetStream(StdStream::kOut, Kind::kRedirected);
  EXPECT_TRUE(console.AttachToParent());
  EXPECT_TRUE(console.IsRedirected(StdStream::kOut));
  EXPECT_TRUE(console.IsConsole(StdStream::kErr));
  EXPECT_TRUE(console.IsConsole(StdStream::kIn));
  EXPECT_EQ(console.calls().attach, 1);
}

TEST(SimConsoleTest, FailedAttachAndAllocLeaveNoConsole) {
  SimConsole console;
  console.SetParentConsole(false);
  console.SetAllocateWorks(false);
  EXPECT_FALSE(console.AttachToParent());
  EXPECT_FALSE(console.Allocate());
  EXPECT_FALSE(console.IsConsole(StdStream::kOut));
}

TEST(SimConsoleTest, ReadLineTakesScriptedLinesWhenThereIsInput) {
  SimConsole console;
  console.AddInputLine(L"yes please");
  EXPECT_FALSE(console.ReadLine(16).has_value());  // no standard input at all
  console.SetStream(StdStream::kIn, Kind::kConsole);
  EXPECT_EQ(console.ReadLine(3), L"yes");
  EXPECT_FALSE(console.ReadLine(16).has_value());  // end of input
}

TEST(SimConsoleTest, FireBreakCallsTheInstalledHandler) {
  SimConsole console;
  EXPECT_FALSE(console.FireBreak());
  int calls = 0;
  console.SetBreakHandler([&calls] { ++calls; });
  EXPECT_TRUE(console.FireBreak());
  console.SetBreakHandler({});
  EXPECT_FALSE(console.FireBreak());
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace platform
