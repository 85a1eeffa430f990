#include "app/install_service_work.h"

#include <gtest/gtest.h>

#include "app/feed.h"
#include "recording_feed.h"
#include "sim_fixture.h"

namespace {

class InstallServiceWorkTest : public SimMachineTest {
 protected:
  void SetUp() override { machine_.environment.SetElevated(false); }
};

TEST_F(InstallServiceWorkTest, UnelevatedGuiHandsTheInstallToAnElevatedCopy) {
  struct Case {
    const char* name;
    std::uint32_t resolution;
    bool pinned;
    bool accepted;
    int code;
    std::wstring parameters;
    std::vector<std::wstring> feed;
  };
  const std::wstring kRequesting =
      L"Requesting administrator privileges (approve the UAC prompt)...";
  const Case kCases[] = {
      {"measured period",
       5070,
       false,
       true,
       2,
       L"\"--resolution\" \"5070\" \"--yes\" \"--measured\" \"--elevated\"",
       {kRequesting}},
      {"pinned period",
       5200,
       true,
       true,
       2,
       L"\"--resolution\" \"5200\" \"--yes\" \"--elevated\"",
       {kRequesting}},
      {"no period at all",
       0,
       false,
       true,
       2,
       L"\"--yes\" \"--measured\" \"--elevated\"",
       {kRequesting}},
      {"declined",
       5070,
       true,
       false,
       1,
       L"\"--resolution\" \"5070\" \"--yes\" \"--elevated\"",
       {kRequesting, L"ERROR: elevation was declined or failed."}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.environment.SetElevated(false);
    machine.shell.SetElevationAccepted(c.accepted);
    RecordingFeed feed;
    EXPECT_EQ(InstallServiceWork(c.resolution, c.pinned, feed), c.code);
    ASSERT_EQ(machine.shell.elevated_runs().size(), 1u);
    EXPECT_EQ(machine.shell.elevated_runs()[0].parameters, c.parameters);
    EXPECT_EQ(feed.lines, c.feed);
    EXPECT_EQ(CurrentFeed(), nullptr);
  }
}

}  // namespace
