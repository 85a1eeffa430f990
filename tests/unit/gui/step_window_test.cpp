#include "gui/step_window.h"

#include <gtest/gtest.h>

#include "gui/recording_canvas.h"
#include "scheduler_fakes.h"

namespace gui {
namespace {

using namespace testing_fakes;

// The window as a user meets it: a frame drawn, a control found by its label, clicked.
struct Window {
  explicit Window(Fixture& f) : steps(f.host, f.clock, f.sink) {}
  void Frame() {
    canvas.Clear();
    steps.Draw(canvas, 1340, 880, "2.10.1", 1.0f, 0, {});
  }
  bool Shows(std::string_view text) const { return canvas.FindText(text).has_value(); }
  bool HasLabel(std::string_view label) const {
    for (const DrawCall& call : canvas.calls()) {
      if (call.kind == DrawKind::kText && call.text == label) return true;
    }
    return false;
  }
  WindowActions Click(std::string_view label) {
    Frame();
    const auto call = canvas.FindText(label);
    EXPECT_TRUE(call) << "no control labelled " << label;
    if (!call) return {};
    const float x = call->rect.x + 4, y = call->rect.y + call->rect.height / 2;
    now += 1;
    steps.PointerDown(x, y, now);
    return steps.PointerUp(x, y, now);
  }
  WindowActions Press(Key key, bool repeat = false) {
    Frame();
    now += 1;
    const WindowActions a = steps.KeyDown(key, repeat, now);
    steps.KeyUp(key);
    return a;
  }
  StepWindow steps;
  RecordingCanvas canvas;
  double now = 10;
};

TEST(GuiStepWindow, SelectionIsSavedOnEachToggleAndEnterBeginsTheTune) {
  Fixture f;
  f.host.setupComplete = [] { return false; };
  int choiceSaves = 0, selectionSaves = 0;
  f.host.saveChoices = [&](const std::array<bool, 9>&) { ++choiceSaves; };
  f.host.saveSelection = [&](const std::array<bool, 9>&) { ++selectionSaves; };
  Window w(f);
  w.steps.Start();
  w.Click("Clear");
  w.Frame();
  EXPECT_TRUE(w.Shows("Select at least one step to tune"));
  EXPECT_FALSE(w.HasLabel("Begin"));
  EXPECT_FALSE(w.Press(Key::kEnter).restart);  // nothing to begin: Enter does nothing
  EXPECT_EQ(w.steps.scheduler().CurrentStage(), Stage::Welcome);
  w.Click("Measure");
  w.Click("Hold");
  EXPECT_EQ(choiceSaves, 3);  // Clear, then each toggle
  w.Press(Key::kEnter);
  EXPECT_EQ(w.steps.scheduler().CurrentStage(), Stage::FullTune);
  EXPECT_EQ(selectionSaves, 1);
  f.PollUntil(w.steps.scheduler(),
              [&] { return w.steps.scheduler().CurrentStage() == Stage::Review; });
  EXPECT_EQ(f.installed.load(), 10000u);
  for (int i : {0, 3, 4, 5, 6, 7, 8}) EXPECT_EQ(w.steps.scheduler().State(i), StepState::Idle) << i;
}

TEST(GuiStepWindow, RestartNeedsAClickAndWaitsForBusySteps) {
  Fixture f;
  Gate memory;
  f.host.memory = [&](Feed&) { return memory.Pass(0); };
  Window w(f);
  w.steps.Start();
  w.steps.scheduler().StartStep(static_cast<int>(StepIndex::Memory), false);
  w.steps.scheduler().ShowReview();
  w.Click("Restart computer");
  w.Frame();
  ASSERT_TRUE(w.Shows("Restart now"));
  EXPECT_TRUE(w.Shows("Programs still open will be closed without saving their work."));
  // Enter goes to "Not yet", never to "Restart now".
  EXPECT_FALSE(w.Press(Key::kEnter).restart);
  w.Frame();
  EXPECT_FALSE(w.Shows("Restart now"));
  w.Click("Restart computer");
  EXPECT_FALSE(w.Click("Restart now").restart);  // Memory still runs
  w.Frame();
  EXPECT_TRUE(w.Shows("A step is still running. Restart when it has finished."));
  memory.Open();
  f.PollUntil(w.steps.scheduler(), [&] { return !w.steps.Active(); });
  EXPECT_TRUE(w.Click("Restart now").restart);
}

}  // namespace
}  // namespace gui
