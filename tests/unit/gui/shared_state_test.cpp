#include "gui/shared_state.h"

#include <gtest/gtest.h>

namespace gui {
namespace {

TEST(GuiSharedState, SnapshotCopiesOnlyNewSamplesAndKeepsLastFortyLines) {
  SharedState feed;
  FeedSnapshot snap;
  for (int i = 0; i < 45; ++i) feed.AddLine(L"l" + std::to_wstring(i));
  feed.AddLine(L"a\nb");
  for (std::uint32_t i = 0; i < 3; ++i) feed.AddSample(i, 0.5, false);
  feed.Snapshot(snap);
  ASSERT_EQ(snap.lines.size(), 40u);
  EXPECT_EQ(snap.lines.front(), L"l7");  // 47 lines appended, 40 kept
  EXPECT_EQ(snap.lines.back(), L"b");
  EXPECT_EQ(snap.newSamples.size(), 3u);

  const std::uint64_t version = snap.version;
  feed.AddSample(7, 1.0, true);
  feed.Snapshot(snap);
  EXPECT_EQ(snap.version, version);  // samples do not dirty the text fields
  ASSERT_EQ(snap.newSamples.size(), 1u);
  EXPECT_EQ(snap.newSamples[0].requested, 7u);

  for (std::size_t i = 0; i < kSampleRing + 10; ++i) feed.AddSample(1, 0, false);
  feed.Snapshot(snap);
  EXPECT_EQ(snap.newSamples.size(), kSampleRing);
  EXPECT_EQ(snap.droppedSamples, 10u);
}

TEST(GuiSharedState, ResetClearsRunAndCancel) {
  SharedState feed;
  FeedSnapshot snap;
  feed.ShowStatus(L"T", L"D");
  feed.AddSample(1, 0, false);
  feed.Cancel();
  feed.Snapshot(snap);
  feed.Reset();
  EXPECT_FALSE(feed.IsCancelled());
  feed.Snapshot(snap);
  EXPECT_TRUE(snap.title.empty());
  EXPECT_TRUE(snap.lines.empty());
  EXPECT_TRUE(snap.newSamples.empty());
}

}  // namespace
}  // namespace gui
