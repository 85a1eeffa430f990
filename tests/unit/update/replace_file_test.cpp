// Replacement keeping ".old", putting it back, and clearing leftovers a closing copy still
// holds.
#include "update/replace_file.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"

namespace {

using platform::FileOp;
using support::ErrorCode;
using update::LeftoverOutcome;

constexpr wchar_t kTarget[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
constexpr wchar_t kOld[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe.old";
constexpr wchar_t kSource[] = L"C:\\Users\\Player\\AppData\\Local\\Temp\\Veltrane-update.exe";

class ReplaceFileTest : public SimMachineTest {};

TEST_F(ReplaceFileTest, ReplacementTable) {
  struct Case {
    const char* name;
    bool target_there;
    bool stale_old;
    platform::FileLock lock;
    std::optional<FileOp> fault;
    const wchar_t* error;
    const char* target_after;  // nullptr: absent
    const char* old_after;
  };
  const Case kCases[] = {
      {"replaces, keeps the old", true, false, platform::FileLock::kNone, {}, L"", "new", "old"},
      {"running image is moved aside",
       true,
       true,
       platform::FileLock::kInUse,
       {},
       L"",
       "new",
       "old"},
      {"nothing there yet", false, false, platform::FileLock::kNone, {}, L"", "new", nullptr},
      {"cannot move aside", true, false, platform::FileLock::kNone, FileOp::kMove,
       L"Could not move the current executable aside (error 5).", "old", nullptr},
      {"copy fails, old moved back", true, false, platform::FileLock::kNone, FileOp::kCopy,
       L"Could not replace C:\\Program Files\\Veltrane\\Veltrane.exe (error 5).", "old", nullptr},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    machine.files.Seed(kSource, "new");
    machine.files.SeedDirectory(L"C:\\Program Files\\Veltrane");
    if (c.stale_old) machine.files.Seed(kOld, "stale");
    if (c.target_there) {
      machine.files.Seed(kTarget, "old");
      machine.files.SetLock(kTarget, c.lock);
    }
    if (c.fault) machine.files.FailNext(*c.fault, ErrorCode::kAccessDenied);
    EXPECT_EQ(update::ReplaceFileKeepingOld(kTarget, kSource), c.error);
    const auto target = machine.files.ReadAll(kTarget);
    const auto old = machine.files.ReadAll(kOld);
    EXPECT_EQ(target ? *target : std::string("<absent>"),
              c.target_after ? c.target_after : "<absent>");
    EXPECT_EQ(old ? *old : std::string("<absent>"), c.old_after ? c.old_after : "<absent>");
  }
}

TEST_F(ReplaceFileTest, FailedRestoreIsReportedAndKeepsOld) {
  machine_.files.Seed(kOld, "old");
  machine_.files.Seed(kTarget, "new");
  machine_.files.FailNext(FileOp::kMove, ErrorCode::kAccessDenied);
  EXPECT_EQ(update::RestoreOld(kTarget),
            L"The previous copy could not be put back (error 5); it is kept as "
            L"C:\\Program Files\\Veltrane\\Veltrane.exe.old.");
  EXPECT_EQ(*machine_.files.ReadAll(kOld), "old");
  EXPECT_EQ(update::RestoreOld(kTarget), L"");
  EXPECT_EQ(*machine_.files.ReadAll(kTarget), "old");
  EXPECT_FALSE(machine_.files.Exists(kOld));
}

TEST_F(ReplaceFileTest, LeftoverDeletionTable) {
  struct Case {
    const char* name;
    bool present;
    int busy_tries;  // deletions refused while a closing copy still holds the file
    ErrorCode refusal;
    LeftoverOutcome outcome;
    std::size_t at_reboot;
  };
  const Case kCases[] = {
      {"nothing left", false, 0, ErrorCode::kAccessDenied, LeftoverOutcome::kNone, 0},
      {"free", true, 0, ErrorCode::kAccessDenied, LeftoverOutcome::kDeleted, 0},
      // Held for 0.75 s: beyond half a second of retries, within a second.
      {"held for 15 tries", true, 15, ErrorCode::kAccessDenied, LeftoverOutcome::kDeleted, 0},
      {"held for 20 tries", true, 20, ErrorCode::kAccessDenied, LeftoverOutcome::kDeleted, 0},
      {"held past a second", true, 21, ErrorCode::kAccessDenied, LeftoverOutcome::kAtReboot, 1},
      {"another failure, no retry", true, 1, ErrorCode::kFailed, LeftoverOutcome::kAtReboot, 1},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    if (c.present) machine.files.Seed(kOld, "old");
    for (int i = 0; i < c.busy_tries; ++i) machine.files.FailNext(FileOp::kDelete, c.refusal);
    EXPECT_EQ(update::DeleteLeftover(kTarget), c.outcome);
    EXPECT_EQ(machine.files.PendingRebootDeletes().size(), c.at_reboot);
  }
}

}  // namespace
