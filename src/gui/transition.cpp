#include "gui/transition.h"

#include <algorithm>

#include "gui/loop_policy.h"

namespace gui {

double AdvanceTransition(double t, double dt, bool samePage) {
  // NaN compares false: no step at all.
  const double step = dt > 0 ? std::min(dt, kLongestTransitionStep) : 0.0;
  const double next = t + step / (samePage ? kSamePageSeconds : kOtherPageSeconds);
  return std::clamp(next, 0.0, 1.0);
}

double EaseOut(double t) {
  const double rest = 1.0 - std::clamp(t, 0.0, 1.0);
  return 1.0 - rest * rest * rest;
}

float AdvanceCelebration(float value, double dt, double rate) {
  if (!(value > 0.0f)) return 0.0f;
  return static_cast<float>(std::min(1.0, value + rate * FrameStep(dt)));
}

TransitionLook LookAt(double t, bool samePage, bool forward) {
  const double e = EaseOut(t);
  TransitionLook look;
  look.incomingOpacity = static_cast<float>(e);
  if (samePage) {
    look.outgoingOpacity = static_cast<float>(1.0 - e);
    return look;
  }
  look.outgoingOffset = static_cast<float>((forward ? -1.0 : 1.0) * kPageSlideDips * e);
  look.outgoingOpacity = static_cast<float>((1.0 - e) * (1.0 - e));
  return look;
}

}  // namespace gui
