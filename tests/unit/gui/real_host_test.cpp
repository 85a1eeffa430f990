// The window's host over the simulated machine: what its step callbacks report back.
#include "gui/real_host.h"

#include <gtest/gtest.h>

#include "app/thread_context.h"
#include "platform/sim/sim_machine.h"
#include "unit/app/recording_feed.h"

namespace {

// The window's Prepare reports success only for a restore point that exists: its success
// screen and its history line both say one protects the user, new or from the last day.
TEST(GuiRealHost, PrepareSucceedsOnlyWithARestorePoint) {
  struct Case {
    std::uint32_t refuse;
    bool pointOfTheLastDay;
    int result;
    std::size_t points;
  };
  for (const Case c : {Case{0, false, 0, 1}, Case{0, true, 0, 1}, Case{1058, false, 1, 0}}) {
    SCOPED_TRACE(c.refuse);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.system_restore.Refuse(c.refuse);
    if (c.pointOfTheLastDay) m.system_restore.AddPoint();
    Options options;
    options.noPause = true;  // leaves this thread's dwell switch as the other tests expect
    gui::GuiHost host = MakeGuiHost(options);
    RecordingFeed feed;
    EXPECT_EQ(host.prepare(feed), c.result);
    EXPECT_EQ(m.system_restore.point_count(), c.points);
  }
}

}  // namespace
