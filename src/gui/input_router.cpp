#include "gui/input_router.h"

namespace gui {

void InputRouter::BeginFrame() {
  // Events arrive between frames and are routed against the last complete list; a focused
  // control that the new list leaves out loses focus at the next key.
  count_ = 0;
  layer_ = 0;
}

void InputRouter::OpenLayer() { ++layer_; }

void InputRouter::Add(int id, Rect rect, std::uint32_t flags) {
  if (count_ == kMaxControls) return;
  entries_[count_++] = {id, rect, flags, layer_};
}

std::uint32_t InputRouter::FlagsOf(int id) const {
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].id == id && entries_[i].layer == TopLayer()) return entries_[i].flags;
  }
  return 0;
}

int InputRouter::HitTest(float x, float y) const {
  // Drawn last is on top: search backwards, and only the top layer.
  for (int i = count_ - 1; i >= 0; --i) {
    if (entries_[i].layer == TopLayer() && entries_[i].rect.Contains(x, y)) return entries_[i].id;
  }
  return -1;
}

int InputRouter::FindDefault() const {
  for (int i = 0; i < count_; ++i) {
    const Entry& e = entries_[i];
    if (e.layer == TopLayer() && (e.flags & kControlDefault) && !(e.flags & kControlNeverDefault)) {
      return e.id;
    }
  }
  return -1;
}

bool InputRouter::FocusListed() const {
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].id == focus_ && entries_[i].layer == TopLayer()) return true;
  }
  return false;
}

void InputRouter::MoveFocus(int direction) {
  int top[kMaxControls];
  int n = 0, at = -1;
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].layer != TopLayer()) continue;
    if (entries_[i].id == focus_) at = n;
    top[n++] = entries_[i].id;
  }
  if (n == 0) return;
  if (at < 0) at = direction > 0 ? n - 1 : 0;
  focus_ = top[(at + direction + n) % n];
}

InputResult InputRouter::PointerDown(float x, float y, double now) {
  pressed_ = Ignoring(now) ? -1 : HitTest(x, y);
  return {};
}

InputResult InputRouter::PointerUp(float x, float y, double now) {
  InputResult result;
  const int released = HitTest(x, y);
  if (!Ignoring(now) && pressed_ >= 0 && released == pressed_) result.activated = released;
  pressed_ = -1;
  return result;
}

InputResult InputRouter::KeyDown(Key key, bool repeat, double now) {
  InputResult result;
  const std::uint32_t bit = 1u << static_cast<int>(key);
  // A key acts once per press: auto-repeat, and a second down without an up, do nothing.
  if (repeat || (held_keys_ & bit)) return result;
  held_keys_ |= bit;
  if (Ignoring(now)) return result;
  if (!FocusListed()) focus_ = -1;
  switch (key) {
    case Key::kTab:
      MoveFocus(+1);
      break;
    case Key::kShiftTab:
      MoveFocus(-1);
      break;
    case Key::kSpace:
      result.activated = focus_;
      break;
    case Key::kEnter:
      result.activated =
          focus_ >= 0 && !(FlagsOf(focus_) & kControlNeverDefault) ? focus_ : FindDefault();
      break;
    case Key::kEscape:
      result.escape = true;
      break;
    case Key::kPageUp:
      result.scroll = -1;
      break;
    case Key::kPageDown:
      result.scroll = +1;
      break;
  }
  return result;
}

void InputRouter::KeyUp(Key key) { held_keys_ &= ~(1u << static_cast<int>(key)); }

}  // namespace gui
