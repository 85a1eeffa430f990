#include "gui/screens/home_screen.h"

#include <algorithm>

#include "gui/screens/aggregate_screen.h"
#include "gui/screens/widgets.h"
#include "gui/theme.h"
#include "health/health_summary.h"
#include "support/utf.h"

namespace gui::screens {

const HomeToolInfo kHomeTools[kHomeToolCount] = {
    {HomeTool::kFullTune, "Full tune",
     "Makes a restore point first, then measures timing before changing anything else. CPU, "
     "memory, and the driver lookup then run together. Storage follows the CPU step. GPU "
     "settings and Afterburner wait until the driver choice is finished."},
    {HomeTool::kHealth, "Health",
     "Opens the health screen. It reads the live settings and lists anything that has "
     "drifted. Nothing changes until you choose a repair."},
    {HomeTool::kMeasure, "Measure timing",
     "Times Sleep(1) across timer resolutions and saves a scan. After more than one run, the "
     "timer holds the lowest aggregate score. The heatmap on this screen uses the newest "
     "scan."},
    {HomeTool::kCpu, "CPU power",
     "Writes the processor power plan. Core parking and throttling are turned off, and the "
     "plan asks the CPU to stay at a high, steady state."},
    {HomeTool::kGpuDriver, "GPU driver",
     "Looks up the current graphics driver and can install a clean copy. This step does not "
     "install Afterburner."},
    {HomeTool::kGpuSettings, "GPU settings",
     "Turns on hardware-accelerated GPU scheduling, turns off Game DVR and Game Bar capture, "
     "and writes the NVIDIA or AMD low-latency profile when that vendor is present."},
    {HomeTool::kAfterburner, "Afterburner",
     "Installs MSI Afterburner and RivaTuner, scans the PCI-E graphics card, applies that "
     "curve, and saves it as a profile that loads at sign-in. The download and scan take "
     "about 30 minutes."},
    {HomeTool::kMemory, "Memory", "Sets the page file and turns memory compression off."},
    {HomeTool::kStorage, "Storage",
     "Turns SysMain off and checks that TRIM is enabled for the system drive."},
    {HomeTool::kRestartNotes, "Restart notes",
     "Shows the BIOS settings to change by hand, then asks you to restart. Windows cannot "
     "write those settings for you."},
};

const HomeGroupInfo kHomeGroups[kHomeGroupCount] = {
    {L"Timer Resolution",
     "The boot service and the global flag that hold the chosen timer resolution, plus the "
     "resolution Windows is using right now."},
    {L"Power and Performance",
     "Each processor power setting from the CPU step. Green means the live value still "
     "matches the tune. Red means it has drifted."},
    {L"Graphics Drivers",
     "The installed graphics driver. This check does not decide whether a newer driver "
     "exists."},
    {L"Windows Configuration",
     "Hardware-accelerated GPU scheduling, Game DVR, Game Bar, and the vendor profile."},
    {L"Memory and CPU", "The page file and memory compression."},
    {L"Storage", "SysMain and TRIM."},
    {L"Supporting Utilities",
     "Whether Afterburner and RivaTuner are installed and set to start at sign-in. A green "
     "box does not by itself mean an overclock is active."},
    {L"Other", "Checks that do not belong to one of the steps above."},
};

namespace {

using namespace gui::palette;
using support::ToUtf8;

constexpr float kGap = 8;
constexpr float kToolsWidth = 268;
constexpr float kToolHeight = 30;
constexpr float kTilesWidth = 300;
constexpr float kRowHeight = 24;
constexpr float kListTop = 56;
constexpr Color kLive = Rgb(0x4FD69C);  // the live value matches

constexpr char kIdleHelp[] =
    "Move the pointer over a tool, a tweak, or the house. This panel describes what it does.";
constexpr char kMaintainHelp[] =
    "When this is on, Veltrane reads the monitored settings once a minute and puts back any "
    "that have drifted. If the same one keeps resetting, it applies a stronger fix where that "
    "is possible.";
constexpr char kUpdateHelp[] =
    "A newer Veltrane build is ready. This downloads it and starts the installer.";
constexpr char kReportHelp[] =
    "Copies a plain-text report to the clipboard: this version, Windows, the CPU and GPU, the "
    "held timer and its score, the best aggregate periods, and every health item that needs "
    "attention. Paste it when you ask for help. It names no user or computer.";
constexpr char kSettingsHelp[] =
    "Driver folder, Afterburner folder, startup, notifications, and the timers Veltrane uses.";
constexpr char kHoldHelp[] =
    "The boot service that holds the chosen timer resolution from every start of Windows.";
constexpr char kLastScanHelp[] =
    "This 3D chart is the newest finished timer-resolution scan. Brighter cells are where "
    "Sleep(1) landed.";
constexpr char kLiveScanHelp[] =
    "This 3D chart is the measurement that is running now. It updates as each sample lands.";
constexpr char kAggregateHelp[] =
    "Sample-weighted mean of every finished timer scan. A new run moves each interval by its "
    "sample count over the weight already stored.";

// The part of a list row inside the list's box: a half-hidden row is not hit through the
// count line above the list.
Rect Visible(Rect row, Rect box) {
  const float top = std::max(row.y, box.y);
  const float bottom = std::min(row.Bottom(), box.Bottom());
  return {row.x, top, row.width, std::max(bottom - top, 0.0f)};
}

bool Matches(const HealthCheck& check) { return check.status == HealthStatus::Passing; }
bool Drifted(const HealthCheck& check) { return NeedsAttention(check.status); }

void DrawTools(Canvas& canvas, Rect column, const HomeView& view, InputRouter& router) {
  canvas.Text("Tools", {column.x, column.y, column.width, 22}, TextStyle::kHeading, kCoolWhite);
  const float width = (column.width - kGap) / 2;
  float y = column.y + 28;
  for (int i = 0; i < kHomeToolCount; ++i) {
    const Rect r{column.x + static_cast<float>(i % 2) * (width + kGap), y, width, kToolHeight};
    DrawButton(canvas, router, r, kHomeTools[i].label, kHomeToolFirst + i,
               i == 0 ? ButtonKind::kPrimary : ButtonKind::kSecondary);
    if (i % 2 == 1) y += kToolHeight + 6;
  }
  y += 8;
  DrawButton(canvas, router, {column.x, y, column.width, kToolHeight},
             view.maintainTiming ? "Maintain timing: on" : "Maintain timing: off", kHomeMaintain);
  y += kToolHeight + 6;
  DrawButton(canvas, router, {column.x, y, width, kToolHeight}, "Copy report", kHomeCopyReport);
  DrawButton(canvas, router, {column.x + width + kGap, y, width, kToolHeight}, "Settings",
             kHomeSettings);
  y += kToolHeight + 6;
  if (!view.updateProgress.empty()) {
    canvas.Text("Installing the update: " + view.updateProgress,
                {column.x, y, column.width, kToolHeight}, TextStyle::kSmall, kCoolWhite);
    y += kToolHeight + 6;
  } else if (view.updateAvailable) {
    DrawButton(canvas, router, {column.x, y, column.width, kToolHeight}, "Install update",
               kHomeInstallUpdate, ButtonKind::kPrimary);
    y += kToolHeight + 6;
  }
  // The help panel takes what is left of the column.
  const Rect help{column.x, y + 4, column.width, std::max(column.Bottom() - y - 4, 0.0f)};
  DrawCard(canvas, help);
  std::string text = HomeHelp(view.hovered, view);
  if (text.empty()) text = view.notice.empty() ? kIdleHelp : view.notice;
  canvas.Text(text, {help.x + 12, help.y + 10, help.width - 24, help.height - 20}, TextStyle::kBody,
              kIcy);
}

void DrawList(Canvas& canvas, Rect column, const HomeView& view, HomeScreenState& state,
              InputRouter& router) {
  canvas.Text("Live settings", {column.x, column.y, column.width, 22}, TextStyle::kHeading,
              kCoolWhite);
  std::string counts;
  if (view.scanning) {
    counts = "Checking live settings";
  } else if (view.scanned) {
    int live = 0, drifted = 0;
    for (const HealthCheck& check : view.checks) {
      live += Matches(check) ? 1 : 0;
      drifted += Drifted(check) ? 1 : 0;
    }
    const int other = static_cast<int>(view.checks.size()) - live - drifted;
    counts = Printf("%.0f live    %.0f need attention    %.0f other", live, drifted, other);
  } else {
    counts = "No health scan yet";
  }
  canvas.Text(counts, {column.x, column.y + 26, column.width, 20}, TextStyle::kBody, kIcy);
  canvas.Text("Not every item applies on all hardware.",
              {column.x, column.Bottom() - 18, column.width, 18}, TextStyle::kTiny, kSteel);
  const Rect box{column.x, column.y + kListTop, column.width,
                 std::max(column.height - kListTop - 24, 0.0f)};
  const std::vector<HomeListRow> rows = HomeListRows(view.checks);
  state.list.Layout(static_cast<int>(rows.size()), kRowHeight, box.height);
  canvas.PushClip(box);
  const int first = state.list.FirstVisible();
  const int shown = std::min(state.list.VisibleCount(), static_cast<int>(rows.size()) - first);
  for (int k = 0; k < shown; ++k) {
    const HomeListRow& row = rows[static_cast<std::size_t>(first + k)];
    const float y = box.y + static_cast<float>(first + k) * kRowHeight - state.list.Offset();
    const Rect line{box.x, y, box.width, kRowHeight};
    if (row.check < 0) {
      canvas.Text(ToUtf8(kHomeGroups[row.group].group), {line.x, line.y + 4, line.width, 18},
                  TextStyle::kLabel, kCoolWhite);
      router.Add(kHomeGroupFirst + row.group, Visible(line, box));
      continue;
    }
    const HealthCheck& check = view.checks[static_cast<std::size_t>(row.check)];
    const Color mark = Matches(check) ? kLive : Drifted(check) ? kCoral : kSteel;
    canvas.FillRoundedRect({line.x + 10, line.y + 7, 10, 10}, 2, mark);
    const float half = (line.width - 28) / 2;
    canvas.Text(ToUtf8(check.title), {line.x + 28, line.y + 3, half, 18}, TextStyle::kSmall, kIcy);
    canvas.Text(ToUtf8(check.live), {line.x + 28 + half, line.y + 3, half - 8, 18},
                TextStyle::kSmall, kSteel, Align::kTrailing);
    router.Add(kHomeItemFirst + row.check, Visible(line, box));
  }
  canvas.PopClip();
}

void DrawTileTitle(Canvas& canvas, Rect tile, const std::string& title) {
  canvas.Text(title, {tile.x + 12, tile.y + 8, tile.width - 24, 20}, TextStyle::kLabel, kCoolWhite);
}

std::string HoldLine(const ReportFacts* facts) {
  if (facts == nullptr) return "Reading the timer service";
  switch (facts->service) {
    case ReportFacts::Service::kNotInstalled:
      return "Not installed. Measure timing, then hold the result.";
    case ReportFacts::Service::kStopped:
      return "Installed but not running.";
    case ReportFacts::Service::kRunning:
      break;
  }
  if (facts->held == 0) return "Running; its period is unreadable.";
  return Printf("Holding %.4f ms from every boot", facts->held / 10000.0);
}

void DrawTiles(Canvas& canvas, Rect column, const HomeView& view, InputRouter& router) {
  const Rect hold{column.x, column.y, column.width, 64};
  DrawCard(canvas, hold);
  DrawTileTitle(canvas, hold, "Hold timer");
  canvas.Text(HoldLine(view.facts), {hold.x + 12, hold.y + 32, hold.width - 24, 20},
              TextStyle::kSmall, kIcy);
  router.Add(kHomeHoldTile, hold);

  const float aggregateHeight = 130;
  const Rect scan{column.x, hold.Bottom() + kGap, column.width,
                  std::max(column.Bottom() - hold.Bottom() - aggregateHeight - 2 * kGap, 0.0f)};
  DrawCard(canvas, scan);
  const bool live = view.measureRunning;
  DrawTileTitle(canvas, scan,
                live ? "Live timer scan"
                     : (view.lastScanSaved ? "Last timer scan" : "No timer scan saved yet"));
  const Rect picture{scan.x + 8, scan.y + 32, scan.width - 16, scan.height - 40};
  if (live || view.lastScanSaved) {
    if (!canvas.DrawLattice(live ? 0 : 1, picture)) {
      canvas.Text(kLatticeUnavailable, picture, TextStyle::kBody, kSteel, Align::kCenter,
                  Align::kCenter);
    }
  } else {
    canvas.Text(
        "No timer scan has been saved yet. Run Measure timing and this chart fills in from "
        "that result.",
        picture, TextStyle::kBody, kSteel, Align::kCenter, Align::kCenter);
  }
  router.Add(kHomeLastScanTile, scan);

  const Rect aggregate{column.x, column.Bottom() - aggregateHeight, column.width, aggregateHeight};
  DrawCard(canvas, aggregate);
  const bool curve = view.aggregate != nullptr && !view.aggregate->points.empty();
  DrawTileTitle(
      canvas, aggregate,
      curve ? Printf("Aggregate curve   %.0f runs", view.aggregate->runs) : "Aggregate curve");
  const Rect chart{aggregate.x + 8, aggregate.y + 30, aggregate.width - 16, aggregate.height - 38};
  if (curve) {
    DrawAggregateCurve(canvas, chart, *view.aggregate);
  } else {
    canvas.Text("Run Measure timing to draw this.", chart, TextStyle::kSmall, kSteel,
                Align::kCenter, Align::kCenter);
  }
  router.Add(kHomeAggregateTile, aggregate);
}

}  // namespace

int HomeGroupOf(const HealthCheck& check) {
  for (int g = 0; g < kHomeGroupCount - 1; ++g) {
    if (check.group == kHomeGroups[g].group) return g;
  }
  return kHomeGroupCount - 1;
}

std::vector<HomeListRow> HomeListRows(std::span<const HealthCheck> checks) {
  std::vector<HomeListRow> rows;
  for (int g = 0; g < kHomeGroupCount; ++g) {
    bool headed = false;
    for (std::size_t i = 0; i < checks.size(); ++i) {
      if (HomeGroupOf(checks[i]) != g) continue;
      if (!headed) rows.push_back({g, -1});
      headed = true;
      rows.push_back({g, static_cast<int>(i)});
    }
  }
  return rows;
}

std::string HomeHelp(int control, const HomeView& view) {
  const std::span<const HealthCheck> checks = view.checks;
  if (control >= kHomeToolFirst && control < kHomeToolFirst + kHomeToolCount) {
    return kHomeTools[control - kHomeToolFirst].help;
  }
  if (control >= kHomeGroupFirst && control < kHomeGroupFirst + kHomeGroupCount) {
    return kHomeGroups[control - kHomeGroupFirst].help;
  }
  if (control >= kHomeItemFirst &&
      static_cast<std::size_t>(control - kHomeItemFirst) < checks.size()) {
    const HealthCheck& check = checks[static_cast<std::size_t>(control - kHomeItemFirst)];
    if (check.repairStep.empty()) {
      return ToUtf8(check.explanation) + "\nThis check only reads the live value.";
    }
    return ToUtf8(check.explanation + L"\nExpected: " + check.expected + L"\nLive: " + check.live +
                  L"\n\nStatus: " + HealthStatusName(check.status));
  }
  switch (control) {
    case kHomeMaintain:
      return kMaintainHelp;
    case kHomeInstallUpdate:
      return kUpdateHelp;
    case kHomeCopyReport:
      return kReportHelp;
    case kHomeSettings:
      return kSettingsHelp;
    case kHomeHoldTile:
      return kHoldHelp;
    case kHomeLastScanTile:
      return view.measureRunning ? kLiveScanHelp : kLastScanHelp;
    case kHomeAggregateTile:
      return kAggregateHelp;
    default:
      return "";
  }
}

void DrawHomeScreen(Canvas& canvas, Rect content, const HomeView& view, HomeScreenState& state,
                    InputRouter& router) {
  const Rect tools{content.x, content.y, kToolsWidth, content.height};
  const Rect tiles{content.Right() - kTilesWidth, content.y, kTilesWidth, content.height};
  const Rect list{tools.Right() + 2 * kGap, content.y,
                  std::max(tiles.x - tools.Right() - 4 * kGap, 0.0f), content.height};
  DrawTools(canvas, tools, view, router);
  DrawList(canvas, list, view, state, router);
  DrawTiles(canvas, tiles, view, router);
}

}  // namespace gui::screens
