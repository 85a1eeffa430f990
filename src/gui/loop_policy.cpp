#include "gui/loop_policy.h"

#include <algorithm>

namespace gui {

LoopAction NextLoopAction(const LoopView& view) {
  if (!view.visible || view.minimized) return LoopAction::kWait;
  if (!view.surfaces) return LoopAction::kRebuildSoon;
  if (view.occluded) return LoopAction::kWait;
  return view.changing || view.lattice ? LoopAction::kDraw : LoopAction::kWait;
}

double FrameStep(double seconds) {
  // NaN compares false both ways: it ends up as no step at all.
  if (!(seconds > 0.0)) return 0.0;
  return std::min(seconds, 0.05);
}

}  // namespace gui
