// Where a click or a key goes on the step screens. Each frame the screens list their
// controls in drawing order; an open panel (a confirmation over Review, say) opens a layer of
// its own that takes all input until it closes. The router turns raw pointer and key events
// into at most one activated control, with the rules that keep a stray key from acting:
// a click counts only when pressed and released on the same control; a held key acts once
// and its auto-repeat is ignored; Enter goes to the layer's default control, and a control
// marked never-default (such as "Restart now") is reached only by pointer or Space; nothing
// acts during a page transition or just after a modal box closes.
#pragma once

#include <array>
#include <cstdint>

#include "gui/geometry.h"

namespace gui {

enum class Key { kEnter, kSpace, kTab, kShiftTab, kEscape, kPageUp, kPageDown };

enum ControlFlags : std::uint32_t {
  kControlDefault = 1,       // Enter activates it when nothing else has focus
  kControlNeverDefault = 2,  // Enter never activates it, even when it has focus
};

// What an event did: a control activated, a scroll asked for, or nothing.
struct InputResult {
  int activated = -1;  // control id
  int scroll = 0;      // -1 page up, +1 page down
  bool escape = false;
};

class InputRouter {
 public:
  static constexpr int kMaxControls = 64;
  // How long input stays ignored after a modal box closes, so the key or click that closed
  // it does not also act on the screen below.
  static constexpr double kQuietAfterModalSeconds = 0.3;

  // Starts the frame's control list; focus survives when its control is listed again.
  void BeginFrame();
  // Controls after this call belong to a panel that takes all input.
  void OpenLayer();
  void Add(int id, Rect rect, std::uint32_t flags = 0);

  void SetTransition(bool running) { transition_ = running; }
  void ModalClosed(double now) { quiet_until_ = now + kQuietAfterModalSeconds; }

  InputResult PointerDown(float x, float y, double now);
  InputResult PointerUp(float x, float y, double now);
  // `repeat` is the key's auto-repeat flag from the window message.
  InputResult KeyDown(Key key, bool repeat, double now);
  void KeyUp(Key key);

  // The control of the top layer under the pointer, or -1.
  int ControlAt(float x, float y) const { return HitTest(x, y); }
  // The control drawn with the focus ring, or -1.
  int Focused() const { return focus_; }

 private:
  struct Entry {
    int id;
    Rect rect;
    std::uint32_t flags;
    int layer;
  };
  bool Ignoring(double now) const { return transition_ || now < quiet_until_; }
  int TopLayer() const { return layer_; }
  int HitTest(float x, float y) const;
  int FindDefault() const;
  bool FocusListed() const;
  void MoveFocus(int direction);
  std::uint32_t FlagsOf(int id) const;

  std::array<Entry, kMaxControls> entries_{};
  int count_ = 0;
  int layer_ = 0;
  int pressed_ = -1;
  int focus_ = -1;
  std::uint32_t held_keys_ = 0;
  bool transition_ = false;
  double quiet_until_ = 0;
};

}  // namespace gui
