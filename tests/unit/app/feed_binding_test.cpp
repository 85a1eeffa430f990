#include <gtest/gtest.h>

#include <thread>

#include "app/feed.h"
#include "app/output.h"
#include "app/thread_context.h"
#include "recording_feed.h"
#include "sim_fixture.h"

namespace {

class FeedBindingTest : public SimMachineTest {};

TEST_F(FeedBindingTest, EachThreadReportsOnlyToItsOwnFeed) {
  RecordingFeed main_feed, worker_feed;
  ScopedFeed bound(&main_feed);
  std::thread worker([&] {
    // A new thread starts with an empty context, whatever its creator had bound.
    EXPECT_EQ(CurrentFeed(), nullptr);
    EXPECT_FALSE(CurrentThreadContext().dwellEnabled);
    ScopedFeed worker_bound(&worker_feed);
    PrintInfo(L"from worker");
  });
  worker.join();
  PrintInfo(L"from main");
  EXPECT_EQ(main_feed.lines, std::vector<std::wstring>{L"from main"});
  EXPECT_EQ(worker_feed.lines, std::vector<std::wstring>{L"from worker"});
}

TEST_F(FeedBindingTest, ReusedThreadDoesNotReportIntoAnOldStep) {
  RecordingFeed old_step;
  BindThreadFeed(&old_step);
  PrintInfo(L"step line");
  UnbindThreadFeed();
  EXPECT_EQ(CurrentFeed(), nullptr);
  PrintInfo(L"later line");
  EXPECT_EQ(old_step.lines, std::vector<std::wstring>{L"step line"});
}

TEST_F(FeedBindingTest, NoFeedMeansNoReportAndNoCancel) {
  ASSERT_EQ(CurrentFeed(), nullptr);
  CurrentThreadContext().dwellEnabled = true;
  const std::uint64_t start = machine_.clock.TickCount64();
  DwellPause(120);
  EXPECT_GE(machine_.clock.TickCount64() - start, 120u);
  CurrentThreadContext().dwellEnabled = false;
}

}  // namespace
