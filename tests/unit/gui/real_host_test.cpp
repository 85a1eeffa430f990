// The window's host over the simulated machine: what its step callbacks report back.
#include "gui/real_host.h"

#include <gtest/gtest.h>

#include "app/thread_context.h"
#include "platform/sim/sim_machine.h"
#include "unit/app/recording_feed.h"

namespace {

// The window's Prepare reports success only for a restore point that exists: its success
// screen and its history line both say one was made.
TEST(GuiRealHost, PrepareSucceedsOnlyWithARestorePoint) {
  for (const std::uint32_t refuse : {0u, 1058u}) {
    SCOPED_TRACE(refuse);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.system_restore.Refuse(refuse);
    Options options;
    options.noPause = true;  // leaves this thread's dwell switch as the other tests expect
    gui::GuiHost host = MakeGuiHost(options);
    RecordingFeed feed;
    EXPECT_EQ(host.prepare(feed), refuse == 0 ? 0 : 1);
  }
}

}  // namespace
