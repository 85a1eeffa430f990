#include "gui/screens/health_screen.h"

#include <array>
#include <string>
#include <vector>

#include "gui/theme.h"
#include "support/utf.h"

namespace gui::screens {
namespace {

using namespace gui::palette;

constexpr std::array<const char*, 3> kFilterNames = {"All", "Attention", "Passing"};
constexpr float kHeaderHeight = 96;
constexpr float kFooterHeight = 40;
constexpr float kButtonWidth = 120;
constexpr float kGap = 8;

std::vector<int> VisibleChecks(const HealthView& view, HealthFilter filter) {
  std::vector<int> rows;
  for (std::size_t i = 0; i < view.checks.size(); ++i) {
    if (PassesFilter(view.checks[i], filter)) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

void DrawRow(Canvas& canvas, Rect row, const HealthCheck& check, int index, InputRouter& router) {
  const bool attention = check.status == HealthStatus::NeedsAttention;
  canvas.FillRoundedRect(row, 6, attention ? kBlueprint : kNavy);
  const Rect text{row.x + kGap, row.y + 4, row.width - kButtonWidth - 90 - 4 * kGap, 22};
  canvas.Text(support::ToUtf8(check.title), text, TextStyle::kLabel, kCoolWhite);
  canvas.Text(support::ToUtf8(check.explanation), {text.x, text.y + 22, text.width, 20},
              TextStyle::kSmall, kIcy);
  const Rect button{row.Right() - kButtonWidth - kGap, row.y + 4, kButtonWidth, 20};
  canvas.Text(support::ToUtf8(HealthStatusName(check.status)), button, TextStyle::kSmall,
              attention ? kCoral : kIcy, Align::kTrailing);
  const Rect action{button.x, button.y + 22, button.width, 22};
  const Rect toggle{action.x - 90 - kGap, action.y, 90, 22};
  canvas.Text(check.status == HealthStatus::Disabled ? "Turn on" : "Turn off", toggle,
              TextStyle::kSmall, kIcy, Align::kCenter, Align::kCenter);
  router.Add(kHealthToggleControl + index, toggle);
  if (IsRepairable(check)) {
    canvas.OutlineRoundedRect(action, 4, kElectric, 1);
    canvas.Text("Repair this", action, TextStyle::kButton, kCoolWhite, Align::kCenter,
                Align::kCenter);
    router.Add(kHealthRepairControl + index, action);
  } else {
    canvas.Text("No repair", action, TextStyle::kSmall, kSteel, Align::kCenter, Align::kCenter);
  }
}

}  // namespace

HealthCounts CountHealth(std::span<const HealthCheck> checks) {
  HealthCounts counts;
  for (const HealthCheck& check : checks) {
    if (check.status == HealthStatus::Passing) {
      ++counts.passing;
    } else if (check.status == HealthStatus::NeedsAttention) {
      ++counts.attention;
    } else {
      ++counts.other;
    }
  }
  return counts;
}

bool PassesFilter(const HealthCheck& check, HealthFilter filter) {
  switch (filter) {
    case HealthFilter::kAttention:
      return check.status == HealthStatus::NeedsAttention;
    case HealthFilter::kPassing:
      return check.status == HealthStatus::Passing;
    case HealthFilter::kAll:
      break;
  }
  return true;
}

bool IsRepairable(const HealthCheck& check) {
  return check.status == HealthStatus::NeedsAttention && !check.repairStep.empty();
}

void DrawHealthScreen(Canvas& canvas, Rect content, const HealthView& view,
                      HealthScreenState& state, InputRouter& router) {
  canvas.Text("Health", {content.x, content.y, content.width, 32}, TextStyle::kScreenTitle,
              kCoolWhite);
  const HealthCounts counts = CountHealth(view.checks);
  const std::string line = view.scanning ? "Checking the live settings. Nothing is being changed."
                                         : std::to_string(counts.passing) + " passing   " +
                                               std::to_string(counts.attention) + " attention   " +
                                               std::to_string(counts.other) + " other";
  canvas.Text(line, {content.x, content.y + 34, content.width, 20}, TextStyle::kBody, kIcy);
  const Rect scan{content.Right() - 160, content.y, 160, 30};
  canvas.FillRoundedRect(scan, 6, kElectric);
  canvas.Text(view.scanned ? "Check again" : "Run health check", scan, TextStyle::kButton,
              kCoolWhite, Align::kCenter, Align::kCenter);
  router.Add(kHealthScanControl, scan);
  for (std::size_t i = 0; i < kFilterNames.size(); ++i) {
    const Rect chip{content.x + static_cast<float>(i) * (96 + kGap), content.y + 60, 96, 28};
    const bool chosen = static_cast<std::size_t>(state.filter) == i;
    canvas.FillRoundedRect(chip, 14, chosen ? kElectric : kBlueprint);
    canvas.Text(kFilterNames[i], chip, TextStyle::kButton, kCoolWhite, Align::kCenter,
                Align::kCenter);
    router.Add(kHealthFilterControl + static_cast<int>(i), chip);
  }
  const std::vector<int> rows = VisibleChecks(view, state.filter);
  const Rect list{content.x, content.y + kHeaderHeight, content.width,
                  content.height - kHeaderHeight - kFooterHeight};
  state.list.Layout(static_cast<int>(rows.size()), kHealthRowHeight, list.height);
  canvas.PushClip(list);
  const int first = state.list.FirstVisible();
  const int last = std::min<int>(static_cast<int>(rows.size()), first + state.list.VisibleCount());
  for (int r = first; r < last; ++r) {
    const Rect row{list.x, list.y + static_cast<float>(r) * kHealthRowHeight - state.list.Offset(),
                   list.width, kHealthRowHeight - 4};
    DrawRow(canvas, row, view.checks[static_cast<std::size_t>(rows[static_cast<std::size_t>(r)])],
            rows[static_cast<std::size_t>(r)], router);
  }
  canvas.PopClip();
  canvas.Text(kRepairScope, {content.x, list.Bottom() + 4, content.width, kFooterHeight - 4},
              TextStyle::kTiny, kSteel);
}

HealthCommand HealthControl(int id, const HealthView& view, HealthScreenState& state) {
  if (id == kHealthScanControl) return {HealthAction::kScan, -1};
  if (id >= kHealthFilterControl && id < kHealthFilterControl + 3) {
    state.filter = static_cast<HealthFilter>(id - kHealthFilterControl);
    state.list.Wheel(-1e9f);
    return {};
  }
  if (const int toggled = id - kHealthToggleControl;
      toggled >= 0 && static_cast<std::size_t>(toggled) < view.checks.size()) {
    return {HealthAction::kToggle, toggled};
  }
  const int check = id - kHealthRepairControl;
  if (check >= 0 && static_cast<std::size_t>(check) < view.checks.size() &&
      IsRepairable(view.checks[static_cast<std::size_t>(check)])) {
    return {HealthAction::kRepair, check};
  }
  return {};
}

}  // namespace gui::screens
