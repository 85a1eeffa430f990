// What the window's loop does next, decided from what it can see: draw a frame, sleep in
// the message wait, or wait a moment and rebuild lost surfaces. A window nobody can see
// costs no frames, and a visible one draws only while something on it changes, so a
// program left in the tray or on a still screen stays idle.
#pragma once

namespace gui {

struct LoopView {
  bool visible = true;  // shown, not hidden to the tray
  bool minimized = false;
  bool occluded = false;  // the last present said nothing of the window shows
  bool surfaces = true;   // the drawing layer is ready
  bool changing = false;  // an animation or transition runs, a feed changed, input or resize
  // The last frame drew a lattice: it turns with time, so it is an animation of its own.
  bool lattice = false;
};

enum class LoopAction {
  kDraw,         // draw and present one frame (vsync paces it)
  kWait,         // sleep until the next message or timer
  kRebuildSoon,  // wait up to kRebuildDelayMs for a message, then rebuild the surfaces
};

inline constexpr unsigned kRebuildDelayMs = 100;
// While occluded the loop still looks again this often: the desktop does not say when the
// window shows again.
inline constexpr unsigned kOccludedRecheckMs = 500;

LoopAction NextLoopAction(const LoopView& view);

// The frame step: seconds since the last frame, clamped so animations never jump after a
// stall and never run backwards.
double FrameStep(double seconds);

}  // namespace gui
