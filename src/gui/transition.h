// The page transition: when the stage changes, the outgoing and incoming screens are drawn
// together while t runs from 0 to 1, quicker within a page than between pages.
#pragma once

namespace gui {

inline constexpr double kSamePageSeconds = 0.36;
inline constexpr double kOtherPageSeconds = 0.55;
inline constexpr float kPageSlideDips = 78.0f;

// The most one frame may move a transition. Larger than the animations' frame step: input
// waits while a transition runs, and a renderer drawing a frame in a third of a second
// (software drawing) must not stretch half a second of slide into several.
inline constexpr double kLongestTransitionStep = 0.25;

// t after `dt` seconds of wall time (clamped to 0 .. kLongestTransitionStep), at most 1.
double AdvanceTransition(double t, double dt, bool samePage);

// Quick start, soft landing: 1 - (1 - t)^3.
double EaseOut(double t);

// The celebration of a Measure or Hold that finished on its own screen: grows from a tiny
// start by `rate` per second of frame time to 1; 0 stays 0 (no celebration).
inline constexpr double kMeasureCelebrationRate = 0.8;
inline constexpr double kHoldCelebrationRate = 1.2;
float AdvanceCelebration(float value, double dt, double rate);

struct TransitionLook {
  float outgoingOffset = 0.0f;  // horizontal, DIPs
  float outgoingOpacity = 0.0f;
  float incomingOpacity = 1.0f;
};

// Between pages the outgoing screen slides against the page order (`forward`: the new page
// comes later) and fades out faster than the incoming one fades in; within a page the two
// cross-fade in place.
TransitionLook LookAt(double t, bool samePage, bool forward);

}  // namespace gui
