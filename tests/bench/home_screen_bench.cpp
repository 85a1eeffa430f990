// Home's canvas pass with a full health list, the timer tile and an aggregate of 101
// intervals: what a still window pays when something makes it draw one frame.
#include <benchmark/benchmark.h>

#include "gui/recording_canvas.h"
#include "gui/screens/home_screen.h"

namespace {

void BM_DrawHomeScreen(benchmark::State& state) {
  const wchar_t* groups[] = {L"Timer Resolution", L"Power and Performance",
                             L"Windows Configuration", L"Memory and CPU", L"Storage"};
  std::vector<HealthCheck> checks(42);
  for (std::size_t i = 0; i < checks.size(); ++i) {
    checks[i].group = groups[i % 5];
    checks[i].title = L"processor performance boost policy";
    checks[i].live = L"unreadable";
    checks[i].status = i % 7 == 0 ? HealthStatus::NeedsAttention : HealthStatus::Passing;
  }
  AggregateView aggregate;
  for (std::uint32_t i = 0; i < 101; ++i) {
    AggregatePoint point;
    point.requested = 5000 + 50 * i;
    point.score = 0.5 + (i % 11) * 0.01;
    point.score_w = 1000;
    aggregate.points.push_back(point);
  }
  aggregate.runs = 12;
  ReportFacts facts;
  facts.service = ReportFacts::Service::kRunning;
  facts.held = 5000;
  gui::screens::HomeView view;
  view.checks = checks;
  view.scanned = true;
  view.facts = &facts;
  view.aggregate = &aggregate;
  gui::screens::HomeScreenState home;
  gui::RecordingCanvas canvas;
  gui::InputRouter router;
  for (auto _ : state) {
    canvas.Clear();
    router.BeginFrame();
    gui::screens::DrawHomeScreen(canvas, {16, 122, 1308, 704}, view, home, router);
    benchmark::DoNotOptimize(canvas.calls().data());
  }
  state.counters["draw_calls"] = static_cast<double>(canvas.calls().size());
}
BENCHMARK(BM_DrawHomeScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
