// Home: where the user comes back after the tune. A tools column that opens each step, the
// maintain switch, the update and the report; the live settings from the latest health scan
// grouped by area; tiles for the held timer, the last timer scan and the aggregate curve;
// and a side panel that explains whatever the pointer is over.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "app/machine_report.h"
#include "gui/canvas.h"
#include "gui/input_router.h"
#include "gui/scroll_list.h"
#include "health/health_check.h"
#include "measure/aggregate.h"

namespace gui::screens {

inline constexpr int kHomeToolCount = 10;
enum HomeControl : int {
  kHomeToolFirst = 1200,  // + the tool's row in kHomeTools
  kHomeMaintain = 1220,
  kHomeInstallUpdate,
  kHomeCopyReport,
  kHomeSettings,
  kHomeHoldTile,
  kHomeLastScanTile,
  kHomeAggregateTile,
  kHomeGroupFirst = 1240,  // + the group's index in kHomeGroups
  kHomeItemFirst = 1300,   // + the check's index in the health results
};

enum class HomeTool {
  kFullTune,
  kHealth,
  kMeasure,
  kCpu,
  kGpuDriver,
  kGpuSettings,
  kAfterburner,
  kMemory,
  kStorage,
  kRestartNotes,
};

struct HomeToolInfo {
  HomeTool tool;
  const char* label;
  const char* help;
};
extern const HomeToolInfo kHomeTools[kHomeToolCount];

inline constexpr int kHomeGroupCount = 8;
struct HomeGroupInfo {
  const wchar_t* group;  // the health check's group; the last one takes every other
  const char* help;
};
extern const HomeGroupInfo kHomeGroups[kHomeGroupCount];

// The group index a check is listed under.
int HomeGroupOf(const HealthCheck& check);

// One line of the live list: a group heading or a check.
struct HomeListRow {
  int group = 0;
  int check = -1;  // -1 for the heading
};
// Groups in their fixed order, each heading followed by its checks in scan order; groups
// without checks are left out.
std::vector<HomeListRow> HomeListRows(std::span<const HealthCheck> checks);

struct HomeView {
  std::span<const HealthCheck> checks;
  bool scanning = false;
  bool scanned = false;
  bool maintainTiming = false;
  bool updateAvailable = false;
  std::string updateProgress;  // the install's latest line while it runs
  bool measureRunning = false;
  const ReportFacts* facts = nullptr;        // null while being read
  const AggregateView* aggregate = nullptr;  // null while being read
  bool lastScanSaved = false;                // a saved scan can be drawn as source 1
  int hovered = -1;                          // the control under the pointer
  std::string notice;                        // e.g. "Report copied to the clipboard."
};

// The help panel's text for the control under the pointer ("" when it has none).
std::string HomeHelp(int control, const HomeView& view);

struct HomeScreenState {
  ScrollList list;
};

void DrawHomeScreen(Canvas& canvas, Rect content, const HomeView& view, HomeScreenState& state,
                    InputRouter& router);

}  // namespace gui::screens
