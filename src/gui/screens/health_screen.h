// The Health screen: the latest health results with their counts, a filter, one row per
// check with its repair, and a list that scrolls within its rows.
#pragma once

#include <span>

#include "gui/canvas.h"
#include "gui/input_router.h"
#include "gui/scroll_list.h"
#include "health/health_check.h"

namespace gui::screens {

enum class HealthFilter { kAll, kAttention, kPassing };

struct HealthCounts {
  int passing = 0;
  int attention = 0;
  int other = 0;
};

HealthCounts CountHealth(std::span<const HealthCheck> checks);
bool PassesFilter(const HealthCheck& check, HealthFilter filter);
// Only a check that needs attention and that a step owns is offered "Repair this".
bool IsRepairable(const HealthCheck& check);

struct HealthView {
  std::span<const HealthCheck> checks;
  bool scanning = false;
  bool scanned = false;  // results exist (a scan finished at least once)
};

// Kept by the window between frames.
struct HealthScreenState {
  HealthFilter filter = HealthFilter::kAll;
  ScrollList list;
};

inline constexpr int kHealthScanControl = 100;
inline constexpr int kHealthFilterControl = 101;   // + the filter's index
inline constexpr int kHealthRepairControl = 200;   // + the check's index in the view
inline constexpr int kHealthToggleControl = 3000;  // + the check's index in the view
inline constexpr float kHealthRowHeight = 52;

inline constexpr char kRepairScope[] =
    "\"Repair this\" is offered for checks that need attention and that a step can put back. "
    "Passing, informational, disabled, unsupported and unreadable checks show \"No repair\".";

void DrawHealthScreen(Canvas& canvas, Rect content, const HealthView& view,
                      HealthScreenState& state, InputRouter& router);

// kToggle turns a check off (or back on when it is off): the window stores the switch and
// scans again.
enum class HealthAction { kNone, kScan, kRepair, kToggle };
struct HealthCommand {
  HealthAction action = HealthAction::kNone;
  int check = -1;  // the index of the check to repair or switch
};

// What an activated control of this screen asks for; a filter is applied to `state` here
// (and the list goes back to its top).
HealthCommand HealthControl(int id, const HealthView& view, HealthScreenState& state);

}  // namespace gui::screens
