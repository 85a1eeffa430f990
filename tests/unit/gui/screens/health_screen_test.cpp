// The Health screen's model and drawing: counts, filters, which rows offer a repair, and
// a list that never scrolls past either end.
#include "gui/screens/health_screen.h"

#include <gtest/gtest.h>

#include <vector>

#include "gui/recording_canvas.h"

namespace {

using gui::screens::HealthAction;
using gui::screens::HealthFilter;

HealthCheck Check(const wchar_t* title, HealthStatus status, const wchar_t* step = L"") {
  HealthCheck check;
  check.title = title;
  check.status = status;
  check.repairStep = step;
  return check;
}

const std::vector<HealthCheck> kChecks = {
    Check(L"Timer service", HealthStatus::NeedsAttention, L"timer"),
    Check(L"Power plan", HealthStatus::Passing, L"ppm"),
    Check(L"Driver version", HealthStatus::Informational),
    Check(L"Page file", HealthStatus::NeedsAttention),  // no step can put it back
    Check(L"SysMain", HealthStatus::Disabled, L"storage"),
    Check(L"TRIM", HealthStatus::Passing, L"storage"),
};

// Activates whatever control lies at the point, as a click would.
int ClickAt(gui::InputRouter& router, float x, float y) {
  router.PointerDown(x, y, 10.0);
  return router.PointerUp(x, y, 10.0).activated;
}

TEST(HealthScreen, CountsFiltersAndRepairs) {
  const auto counts = gui::screens::CountHealth(kChecks);
  EXPECT_EQ(counts.passing, 2);
  EXPECT_EQ(counts.attention, 2);
  EXPECT_EQ(counts.other, 2);
  struct Case {
    HealthFilter filter;
    std::vector<std::wstring> titles;
  };
  const Case kCases[] = {
      {HealthFilter::kAll,
       {L"Timer service", L"Power plan", L"Driver version", L"Page file", L"SysMain", L"TRIM"}},
      {HealthFilter::kAttention, {L"Timer service", L"Page file"}},
      {HealthFilter::kPassing, {L"Power plan", L"TRIM"}},
  };
  for (const Case& c : kCases) {
    std::vector<std::wstring> titles;
    for (const HealthCheck& check : kChecks)
      if (gui::screens::PassesFilter(check, c.filter)) titles.push_back(check.title);
    EXPECT_EQ(titles, c.titles);
  }
  const std::vector<bool> repairable = {true, false, false, false, false, false};
  for (std::size_t i = 0; i < kChecks.size(); ++i)
    EXPECT_EQ(gui::screens::IsRepairable(kChecks[i]), repairable[i]) << i;
}

TEST(HealthScreen, DrawsRowsAndStatesTheRepairScope) {
  gui::RecordingCanvas canvas;
  gui::InputRouter router;
  gui::screens::HealthScreenState state;
  const gui::screens::HealthView view{kChecks, false, true};
  router.BeginFrame();
  gui::screens::DrawHealthScreen(canvas, {0, 0, 800, 600}, view, state, router);
  const std::string all = canvas.AllText();
  EXPECT_NE(all.find("2 passing   2 attention   2 other"), std::string::npos);
  EXPECT_NE(all.find("Check again"), std::string::npos);
  EXPECT_NE(all.find("is offered for checks that need attention"), std::string::npos);
  // One "Repair this" (the timer service); the others say "No repair".
  int repairs = 0;
  int none = 0;
  for (const auto& call : canvas.calls()) {
    repairs += call.text == "Repair this";
    none += call.text == "No repair";
  }
  EXPECT_EQ(repairs, 1);
  EXPECT_EQ(none, 5);
  const auto repair = canvas.FindText("Repair this");
  ASSERT_TRUE(repair.has_value());
  const int id = ClickAt(router, repair->rect.x + 5, repair->rect.y + 5);
  const auto command = gui::screens::HealthControl(id, view, state);
  EXPECT_EQ(command.action, HealthAction::kRepair);
  EXPECT_EQ(command.check, 0);
  // A repair id for a check that is not repairable asks for nothing.
  EXPECT_EQ(gui::screens::HealthControl(gui::screens::kHealthRepairControl + 3, view, state).action,
            HealthAction::kNone);
}

TEST(HealthScreen, ScrollStaysWithinTheRowsBothWays) {
  std::vector<HealthCheck> many;
  for (int i = 0; i < 40; ++i) many.push_back(Check(L"Row", HealthStatus::Passing));
  many.push_back(Check(L"Drifted", HealthStatus::NeedsAttention, L"ppm"));
  const gui::screens::HealthView view{many, false, true};
  gui::screens::HealthScreenState state;
  gui::RecordingCanvas canvas;
  gui::InputRouter router;
  // 600 - 96 header - 40 footer = 464 of list: 41 rows of 52 are 2132, so at most 1668.
  gui::screens::DrawHealthScreen(canvas, {0, 0, 800, 600}, view, state, router);
  state.list.Wheel(1e6f);
  EXPECT_FLOAT_EQ(state.list.Offset(), 1668.0f);
  state.list.Wheel(-1e6f);
  EXPECT_FLOAT_EQ(state.list.Offset(), 0.0f);
  state.list.Wheel(1e6f);
  // The Attention filter leaves one row: the list is back at its top and cannot move.
  gui::screens::HealthControl(gui::screens::kHealthFilterControl + 1, view, state);
  gui::screens::DrawHealthScreen(canvas, {0, 0, 800, 600}, view, state, router);
  EXPECT_FLOAT_EQ(state.list.Offset(), 0.0f);
  state.list.Wheel(500);
  EXPECT_FLOAT_EQ(state.list.Offset(), 0.0f);
}

}  // namespace
