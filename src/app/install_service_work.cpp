#include "app/install_service_work.h"

#include "app/elevation.h"
#include "app/feed.h"
#include "app/output.h"
#include "measure/aggregate.h"
#include "service/install.h"

namespace {

// Unbinds on every return, so a reused worker thread never reports into this step.
class FeedBinding {
 public:
  explicit FeedBinding(gui::Feed& feed) { BindThreadFeed(&feed); }
  ~FeedBinding() { UnbindThreadFeed(); }
  FeedBinding(const FeedBinding&) = delete;
  FeedBinding& operator=(const FeedBinding&) = delete;
};

}  // namespace

int InstallServiceWork(std::uint32_t resolution, bool pinned, gui::Feed& feed) {
  FeedBinding binding(feed);
  // Step 1: a measured (not pinned) period gives way to the aggregate over saved runs.
  if (!pinned || resolution == 0) {
    const AggregateChoice choice = LowestAggregateScore(DataFolder());
    if (choice.resolution != 0) resolution = choice.resolution;
  }
  // An elevated window installs in place; only an unelevated one needs a second copy.
  if (IsProcessElevated()) return InstallTimerService(resolution, pinned) ? 0 : 1;
  // Step 3: the elevated copy opens its own GUI with these values and installs there.
  PrintInfo(Format(L"Requesting administrator privileges (approve the UAC prompt)..."));
  // Without a period the copy chooses its own; "--resolution 0" would fail its parse.
  Arguments args;
  if (resolution != 0) args = {L"--resolution", Format(L"%u", resolution)};
  args.push_back(L"--yes");
  if (!pinned) args.push_back(L"--measured");
  args.push_back(L"--elevated");
  if (RelaunchElevated(args)) return 2;
  PrintError(Format(L"elevation was declined or failed."));
  return 1;
}
