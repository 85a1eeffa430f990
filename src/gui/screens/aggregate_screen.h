// The Aggregate screen: the master timing curve of every saved run with the newest run over
// it, the lowest aggregate score, and the tuned values of tune-history.csv by day.
#pragma once

#include <string>
#include <vector>

#include "gui/canvas.h"
#include "gui/input_router.h"
#include "measure/aggregate.h"

namespace gui::screens {

inline constexpr int kDayPrevControl = 500;
inline constexpr int kDayNextControl = 501;
inline constexpr int kDayAllControl = 502;

// The day filter: -1 for all days, else an index into HistoryDays, newest first.
struct AggregateScreenState {
  int day = -1;
};

// The distinct days ("2026-12-10") of the history, newest first.
std::vector<std::wstring> HistoryDays(const std::vector<HistoryEntry>& history);

// `view` null: the files are still being read.
void DrawAggregateScreen(Canvas& canvas, Rect content, const AggregateView* view,
                         const AggregateScreenState& state, InputRouter& router);

// The aggregate (Icy) and the newest run (Electric) over the intervals, with its axis
// labels; the text that asks for a run when there are no points.
void DrawAggregateCurve(Canvas& canvas, Rect area, const AggregateView& view);

// Moves the day filter for an activated control; false for any other id.
bool AggregateControl(int id, const AggregateView& view, AggregateScreenState& state);

}  // namespace gui::screens
