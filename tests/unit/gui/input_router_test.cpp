#include "gui/input_router.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui {
namespace {

enum : int { kBegin = 1, kHealth = 2, kRestartNow = 10, kNotYet = 11 };

// Review with its restart panel open (or the selection screen's two buttons without it).
void Layout(InputRouter& router, bool panelOpen) {
  router.BeginFrame();
  router.Add(kBegin, {0, 0, 100, 40}, kControlDefault);
  router.Add(kHealth, {0, 50, 100, 40});
  if (!panelOpen) return;
  router.OpenLayer();
  router.Add(kRestartNow, {0, 0, 100, 40}, kControlNeverDefault);  // over Begin
  router.Add(kNotYet, {120, 0, 100, 40}, kControlDefault);
}

struct Event {
  enum Kind { kDown, kUp, kKey, kKeyRepeat, kKeyUp, kTransition, kModalClosed } kind;
  float x = 0, y = 0;
  Key key = Key::kEnter;
  double at = 10;
};
Event Press(float x, float y) { return {Event::kDown, x, y}; }
Event Release(float x, float y) { return {Event::kUp, x, y}; }
Event KeyPress(Key key, double at = 10) { return {Event::kKey, 0, 0, key, at}; }
Event KeyRepeat(Key key) { return {Event::kKeyRepeat, 0, 0, key}; }
Event KeyRelease(Key key) { return {Event::kKeyUp, 0, 0, key}; }

std::vector<int> Activations(bool panelOpen, const std::vector<Event>& events) {
  InputRouter router;
  Layout(router, panelOpen);
  std::vector<int> activated;
  for (const Event& e : events) {
    InputResult r;
    switch (e.kind) {
      case Event::kDown:
        r = router.PointerDown(e.x, e.y, e.at);
        break;
      case Event::kUp:
        r = router.PointerUp(e.x, e.y, e.at);
        break;
      case Event::kKey:
        r = router.KeyDown(e.key, false, e.at);
        break;
      case Event::kKeyRepeat:
        r = router.KeyDown(e.key, true, e.at);
        break;
      case Event::kKeyUp:
        router.KeyUp(e.key);
        break;
      case Event::kTransition:
        router.SetTransition(e.x > 0);
        break;
      case Event::kModalClosed:
        router.ModalClosed(e.at);
        break;
    }
    if (r.activated >= 0) activated.push_back(r.activated);
  }
  return activated;
}

TEST(InputRouterTest, EventsActivateOnlyWhatTheUserMeant) {
  struct Case {
    const char* name;
    bool panelOpen;
    std::vector<Event> events;
    std::vector<int> activated;
  };
  const Case cases[] = {
      {"click on Begin", false, {Press(10, 10), Release(12, 12)}, {kBegin}},
      {"pressed on Begin, released on Health", false, {Press(10, 10), Release(10, 60)}, {}},
      {"Enter presses the default button", false, {KeyPress(Key::kEnter)}, {kBegin}},
      {"held Enter acts once",
       false,
       {KeyPress(Key::kEnter), KeyRepeat(Key::kEnter), KeyPress(Key::kEnter)},
       {kBegin}},
      {"Enter, release, Enter acts twice",
       false,
       {KeyPress(Key::kEnter), KeyRelease(Key::kEnter), KeyPress(Key::kEnter)},
       {kBegin, kBegin}},
      {"Tab, Tab to Health, Space",
       false,
       {KeyPress(Key::kTab), KeyRelease(Key::kTab), KeyPress(Key::kTab), KeyPress(Key::kSpace)},
       {kHealth}},
      {"open panel takes the click on what lies under it",
       true,
       {Press(10, 60), Release(10, 60)},
       {}},
      {"top-most control wins", true, {Press(10, 10), Release(10, 10)}, {kRestartNow}},
      {"Enter never restarts: it goes to Not yet", true, {KeyPress(Key::kEnter)}, {kNotYet}},
      {"Enter with focus on Restart now still goes to Not yet",
       true,
       {KeyPress(Key::kTab), KeyPress(Key::kEnter)},
       {kNotYet}},
      {"Space on a focused Restart now does restart",
       true,
       {KeyPress(Key::kTab), KeyPress(Key::kSpace)},
       {kRestartNow}},
      {"input during a page transition is ignored",
       false,
       {{Event::kTransition, 1},
        Press(10, 10),
        Release(10, 10),
        KeyPress(Key::kEnter),
        {Event::kTransition, 0}},
       {}},
      {"the key that closed a modal box does not act below it",
       false,
       {{Event::kModalClosed, 0, 0, Key::kEnter, 10}, KeyPress(Key::kEnter, 10.1)},
       {}},
      {"after the quiet time it acts",
       false,
       {{Event::kModalClosed, 0, 0, Key::kEnter, 10}, KeyPress(Key::kEnter, 10.4)},
       {kBegin}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Activations(c.panelOpen, c.events), c.activated);
  }
}

TEST(InputRouterTest, FocusCyclesWithinTheTopLayerAndPagesScroll) {
  InputRouter router;
  Layout(router, true);
  EXPECT_EQ(router.KeyDown(Key::kTab, false, 10).activated, -1);
  EXPECT_EQ(router.Focused(), kRestartNow);
  router.KeyUp(Key::kTab);
  router.KeyDown(Key::kTab, false, 10);
  router.KeyUp(Key::kTab);
  EXPECT_EQ(router.Focused(), kNotYet);
  router.KeyDown(Key::kTab, false, 10);
  EXPECT_EQ(router.Focused(), kRestartNow);  // wraps, never to Begin under the panel
  router.KeyDown(Key::kShiftTab, false, 10);
  EXPECT_EQ(router.Focused(), kNotYet);
  EXPECT_EQ(router.KeyDown(Key::kPageDown, false, 10).scroll, 1);
  EXPECT_EQ(router.KeyDown(Key::kPageUp, false, 10).scroll, -1);
  EXPECT_TRUE(router.KeyDown(Key::kEscape, false, 10).escape);
  Layout(router, false);  // the panel closed: its focus is gone
  router.KeyDown(Key::kSpace, false, 10);
  EXPECT_EQ(router.Focused(), -1);
}

}  // namespace
}  // namespace gui
