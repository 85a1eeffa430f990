#include "gui/screens/aggregate_screen.h"

#include <algorithm>
#include <cstdio>

#include "gui/screens/widgets.h"
#include "support/utf.h"

namespace gui::screens {
namespace {

using namespace gui::palette;
using support::ToUtf8;

std::wstring DayOf(const HistoryEntry& e) { return e.time.substr(0, 10); }

}  // namespace

void DrawAggregateCurve(Canvas& canvas, Rect area, const AggregateView& view) {
  canvas.FillRoundedRect(area, 8, WithAlpha(kBlueprint, 0.35f));
  const Rect in{area.x + 56, area.y + 12, area.width - 72, area.height - 40};
  if (view.points.empty()) {
    canvas.Text(
        "Run Measure timing. Each finished scan is folded into this curve by its sample "
        "count.",
        in, TextStyle::kBody, kIcy, Align::kCenter, Align::kCenter);
    return;
  }
  // One interval alone (a machine whose kernel runs one period) still gets a scale.
  const double x0 = view.points.front().requested - (view.points.size() == 1 ? 50.0 : 0.0);
  const double x1 = view.points.back().requested + (view.points.size() == 1 ? 50.0 : 0.0);
  double top = 0;
  for (const AggregatePoint& p : view.points) top = std::max(top, p.score);
  for (const auto& [requested, score] : view.newestRun) top = std::max(top, score);
  if (!(top > 0) || !(x1 > x0)) return;
  top *= 1.1;
  const auto at = [&](double requested, double score) {
    const double fx = std::clamp((requested - x0) / (x1 - x0), 0.0, 1.0);
    const double fy = std::clamp(score / top, 0.0, 1.0);
    return Point{in.x + static_cast<float>(fx) * in.width,
                 in.Bottom() - static_cast<float>(fy) * in.height};
  };
  std::vector<Point> newest;
  for (const auto& [requested, score] : view.newestRun) {
    if (requested >= x0 && requested <= x1) newest.push_back(at(requested, score));
  }
  if (newest.size() >= 2) canvas.Polyline(newest, kElectric, 1.5f);
  std::vector<Point> curve;
  for (const AggregatePoint& p : view.points) curve.push_back(at(p.requested, p.score));
  if (curve.size() >= 2) canvas.Polyline(curve, kIcy, 2.5f);
  for (const Point& p : curve) canvas.FillRect({p.x - 2.5f, p.y - 2.5f, 5, 5}, kIcy);
  canvas.Text(Printf("%.3f", top), {area.x + 4, in.y - 6, 50, 16}, TextStyle::kSmallNumbers, kIcy,
              Align::kTrailing);
  canvas.Text(Printf("%.3f ms", x0 / 10000.0), {in.x, in.Bottom() + 6, 120, 16},
              TextStyle::kSmallNumbers, kIcy);
  canvas.Text(Printf("%.3f ms", x1 / 10000.0), {in.Right() - 120, in.Bottom() + 6, 120, 16},
              TextStyle::kSmallNumbers, kIcy, Align::kTrailing);
}

namespace {

void DrawHistory(Canvas& canvas, Rect area, const AggregateView& view,
                 const AggregateScreenState& state, InputRouter& router) {
  const std::vector<std::wstring> days = HistoryDays(view.history);
  const bool all = state.day < 0 || state.day >= static_cast<int>(days.size());
  canvas.Text("Tuned values", {area.x, area.y, 200, 24}, TextStyle::kSectionTitle, kCoolWhite);
  float x = area.Right() - 300;
  DrawButton(canvas, router, {x, area.y - 4, 36, 30}, "<", kDayPrevControl);
  canvas.Text(all ? std::string("All days") : ToUtf8(days[static_cast<std::size_t>(state.day)]),
              {x + 40, area.y - 4, 140, 30}, TextStyle::kNumbers, kCoolWhite, Align::kCenter,
              Align::kCenter);
  DrawButton(canvas, router, {x + 184, area.y - 4, 36, 30}, ">", kDayNextControl);
  DrawButton(canvas, router, {x + 228, area.y - 4, 72, 30}, "All", kDayAllControl);
  float y = area.y + 34;
  const float cols[3] = {area.x, area.x + 180, area.x + 360};
  const char* heads[3] = {"When", "Step", "Change"};
  for (int i = 0; i < 3; ++i) {
    canvas.Text(heads[i], {cols[i], y, 170, 20}, TextStyle::kLabel, kIcy);
  }
  y += 24;
  unsigned shown = 0;
  for (const HistoryEntry& e : view.history) {
    if (!all && DayOf(e) != days[static_cast<std::size_t>(state.day)]) continue;
    ++shown;
    if (y + 20 > area.Bottom() - 22) continue;  // counted, not drawn
    canvas.Text(ToUtf8(e.time), {cols[0], y, 170, 20}, TextStyle::kSmallNumbers, kCoolWhite);
    canvas.Text(ToUtf8(e.area), {cols[1], y, 170, 20}, TextStyle::kSmall, kCoolWhite);
    canvas.Text(ToUtf8(e.message), {cols[2], y, area.Right() - cols[2], 20}, TextStyle::kSmall,
                kIcy);
    y += 20;
  }
  canvas.Text(std::to_string(shown) + " shown", {area.x, area.Bottom() - 20, 200, 20},
              TextStyle::kLabel, kIcy);
}

}  // namespace

std::vector<std::wstring> HistoryDays(const std::vector<HistoryEntry>& history) {
  std::vector<std::wstring> days;
  for (const HistoryEntry& e : history) {
    const std::wstring day = DayOf(e);
    if (!day.empty() && std::find(days.begin(), days.end(), day) == days.end()) {
      days.push_back(day);
    }
  }
  return days;
}

void DrawAggregateScreen(Canvas& canvas, Rect content, const AggregateView* view,
                         const AggregateScreenState& state, InputRouter& router) {
  canvas.Text("Master timing curve", {content.x, content.y, 400, 28}, TextStyle::kSectionTitle,
              kCoolWhite);
  canvas.Text("Cyan is the aggregate score. Violet is the newest run.",
              {content.x + 260, content.y, content.width - 260, 28}, TextStyle::kSmall, kIcy,
              Align::kLeading, Align::kCenter);
  if (view == nullptr) {
    canvas.Text("Reading the saved runs…", {content.x, content.y + 40, content.width, 24},
                TextStyle::kBody, kIcy);
    return;
  }
  const std::string header =
      view->points.empty()
          ? std::string("Aggregate  |  no saved runs yet")
          : Printf("Aggregate  |  %.0f runs  |  %.0f samples", view->runs, view->samples);
  canvas.Text(header, {content.x, content.y + 30, content.width, 22}, TextStyle::kHeading,
              kCoolWhite);
  canvas.Text(
      "Each interval is a sample-weighted mean. A new run moves it by that run's samples "
      "over the master weight.",
      {content.x, content.y + 54, content.width, 20}, TextStyle::kSmall, kIcy);
  const float chartHeight = std::max(120.0f, content.height * 0.45f);
  DrawAggregateCurve(canvas, {content.x, content.y + 80, content.width, chartHeight}, *view);
  float y = content.y + 80 + chartHeight + 8;
  if (!view->points.empty()) {
    const auto lowest = std::min_element(
        view->points.begin(), view->points.end(),
        [](const AggregatePoint& a, const AggregatePoint& b) { return a.score < b.score; });
    canvas.Text(Printf("Lowest aggregate score  %.4f ms at %.4f ms   weight %.0f", lowest->score,
                       lowest->requested / 10000.0, lowest->score_w),
                {content.x, y, content.width, 20}, TextStyle::kNumbers, kCoolWhite);
  }
  y += 34;
  DrawHistory(canvas, {content.x, y, content.width, content.Bottom() - y}, *view, state, router);
}

bool AggregateControl(int id, const AggregateView& view, AggregateScreenState& state) {
  const int days = static_cast<int>(HistoryDays(view.history).size());
  switch (id) {
    case kDayAllControl:
      state.day = -1;
      return true;
    case kDayPrevControl:  // older
      if (days > 0) state.day = state.day < 0 ? 0 : std::min(state.day + 1, days - 1);
      return true;
    case kDayNextControl:  // newer; past the newest day comes "all"
      state.day = state.day <= 0 ? -1 : state.day - 1;
      return true;
    default:
      return false;
  }
}

}  // namespace gui::screens
