#include "gui/measure_charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "gui/chart_geometry.h"
#include "gui/chart_rules.h"
#include "gui/panel_texts.h"
#include "support/utf.h"

namespace gui {
namespace {

using namespace gui::palette;

constexpr float kGap = 12;
constexpr float kTitle = 24;
constexpr float kCandidateHeight = 196;

Rect Inner(const Rect& panel) {
  return {panel.x + 12, panel.y + kTitle + 6, panel.width - 24, panel.height - kTitle - 18};
}

void Panel(Canvas& canvas, const Rect& panel, const char* title, const std::string& note) {
  canvas.FillRoundedRect(panel, 8, WithAlpha(kBlueprint, 0.35f));
  canvas.OutlineRoundedRect(panel, 8, WithAlpha(kSteel, 0.8f), 1);
  canvas.Text(title, {panel.x + 12, panel.y + 4, panel.width / 2, kTitle}, TextStyle::kLabel, kIcy,
              Align::kLeading, Align::kCenter);
  canvas.Text(note, {panel.x + panel.width / 2, panel.y + 4, panel.width / 2 - 12, kTitle},
              TextStyle::kSmallNumbers, kIcy, Align::kTrailing, Align::kCenter);
}

std::string Ms(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The newest wakes, each held until the next; late wakes in coral.
void DrawLive(Canvas& canvas, const Rect& panel, const ChartSnapshot& charts) {
  const LiveTrace trace = BuildLiveTrace(charts);
  Panel(canvas, panel, "LIVE", std::to_string(charts.totals.sampleCount) + " wakes");
  const Rect in = Inner(panel);
  // The 1 ms line: where a wake one tick late would sit at a 1 ms period.
  const float oneMs = in.Bottom() - LiveAxisY(1.0) * in.height;
  canvas.Line({in.x, oneMs}, {in.Right(), oneMs}, kSteel, 1, 0.6f, Stroke::kDashed);
  for (int i = 0; i < trace.count; ++i) {
    const LiveStep& s = trace.steps[static_cast<std::size_t>(i)];
    const float y = in.Bottom() - s.y * in.height;
    canvas.Line({in.x + s.x0 * in.width, y}, {in.x + s.x1 * in.width, y},
                s.late ? kCoral : (s.afterIdle ? kIcy : kElectric), 2);
  }
}

// How this pass's overshoots fall from -0.05 to 1.2 ms.
void DrawHistogram(Canvas& canvas, const Rect& panel, const ChartSnapshot& charts) {
  const ChartTotals& t = charts.totals;
  Panel(canvas, panel, "HISTOGRAM",
        std::to_string(t.totalLate) + " late of " + std::to_string(t.histogramCount));
  const Rect in = Inner(panel);
  const std::uint32_t peak = *std::max_element(t.histogram.begin(), t.histogram.end());
  if (peak == 0) return;
  const float w = in.width / kHistogramBins;
  for (int b = 0; b < kHistogramBins; ++b) {
    const float h = in.height * static_cast<float>(t.histogram[static_cast<std::size_t>(b)]) /
                    static_cast<float>(peak);
    if (h < 0.5f) continue;
    canvas.FillRect({in.x + static_cast<float>(b) * w, in.Bottom() - h, std::max(w - 1, 1.0f), h},
                    kElectric);
  }
}

// Every candidate's score across the grid; the smoothed curve once the passes merged.
void DrawSweep(Canvas& canvas, const Rect& panel, const FeedSnapshot& feed) {
  const SweepView& sweep = feed.sweep;
  std::string note = sweep.passCount > 0 ? "pass " + std::to_string(sweep.pass) + " of " +
                                               std::to_string(sweep.passCount)
                                         : std::string();
  if (sweep.targetIndex >= 0 &&
      static_cast<std::size_t>(sweep.targetIndex) < sweep.candidates.size()) {
    note = Ms("target %.4f ms",
              sweep.candidates[static_cast<std::size_t>(sweep.targetIndex)].requested / 10000.0);
  }
  Panel(canvas, panel, "SWEEP", note);
  const Rect in = Inner(panel);
  const std::size_t n = sweep.candidates.size();
  if (n < 2) return;
  double largest = 0;
  for (const CandidateView& c : sweep.candidates) {
    if (c.hasData) largest = std::max(largest, c.score);
  }
  const double top = SweepTargetMaximum(largest);
  const auto at = [&](std::size_t i, double score) {
    return Point{in.x + in.width * static_cast<float>(i) / static_cast<float>(n - 1),
                 in.Bottom() - in.height * static_cast<float>(ClampToRange(score / top, 0, 1))};
  };
  for (std::size_t i = 0; i < n; ++i) {
    const CandidateView& c = sweep.candidates[i];
    if (!c.hasData) continue;
    const Point p = at(i, c.score);
    canvas.FillRect({p.x - 1.5f, p.y - 1.5f, 3, 3}, c.clean ? kIcy : kCoral);
  }
  if (sweep.smoothed.size() == n) {
    // Candidates without data carry a placeholder score, not a measurement: the curve breaks
    // there instead of running along the panel's top.
    std::vector<Point> curve;
    const auto flush = [&] {
      if (curve.size() >= 2) canvas.Polyline(curve, kElectric, 2);
      curve.clear();
    };
    for (std::size_t i = 0; i < n; ++i) {
      const double score = sweep.smoothed[i];
      if (!sweep.candidates[i].hasData || !std::isfinite(score) || score > top) {
        flush();
        continue;
      }
      curve.push_back(at(i, score));
    }
    flush();
  }
  if (sweep.targetIndex >= 0 && static_cast<std::size_t>(sweep.targetIndex) < n) {
    const float x = at(static_cast<std::size_t>(sweep.targetIndex), 0).x;
    canvas.Line({x, in.y}, {x, in.Bottom()}, kCoolWhite, 1, 0.7f, Stroke::kDotted);
  }
}

// The finalists' scores as bars, the one being measured outlined.
void DrawVerification(Canvas& canvas, const Rect& panel, const FeedSnapshot& feed) {
  Panel(canvas, panel, "VERIFICATION",
        feed.verifyTarget != 0 ? Ms("holding %.4f ms", feed.verifyTarget / 10000.0) : "");
  const Rect in = Inner(panel);
  const std::size_t n = feed.finalists.size();
  if (n == 0) return;
  double largest = 0;
  for (const CandidateView& c : feed.finalists) largest = std::max(largest, c.score);
  const float rowH = std::min(26.0f, in.height / static_cast<float>(n));
  for (std::size_t i = 0; i < n; ++i) {
    const CandidateView& c = feed.finalists[i];
    const float y = in.y + static_cast<float>(i) * rowH;
    canvas.Text(Ms("%.4f", c.requested / 10000.0), {in.x, y, 70, rowH - 4},
                TextStyle::kSmallNumbers, kIcy, Align::kLeading, Align::kCenter);
    const Rect bar{in.x + 76, y + 3, (in.width - 76) * BarFraction(c.score, largest), rowH - 8};
    if (c.hasData && bar.width > 0.5f) canvas.FillRect(bar, c.clean ? kElectric : kCoral);
    if (static_cast<std::int32_t>(i) == feed.verifyActive) {
      canvas.OutlineRoundedRect({in.x + 74, y + 1, in.width - 74, rowH - 4}, 3, kCoolWhite, 1);
    }
  }
}

// What the lattice's picture holds: the pass it belongs to and how many wakes it counts.
std::string LatticeNote(const ChartSnapshot& charts, const FeedSnapshot& feed) {
  LatticePhase phase;
  phase.sweepSeen = !feed.sweep.candidates.empty();
  phase.verifying = !feed.finalists.empty();
  phase.pass = feed.sweep.pass;
  phase.passCount = feed.sweep.passCount;
  phase.samples = charts.totals.histogramCount;
  phase.late = charts.totals.totalLate;
  return support::ToUtf8(LatticeSubtitle(phase));
}

// The live lattice in the largest centred square; its message where the device cannot draw it.
void DrawLatticePanel(Canvas& canvas, const Rect& panel, const ChartSnapshot& charts,
                      const FeedSnapshot& feed) {
  Panel(canvas, panel, "LATTICE", LatticeNote(charts, feed));
  const Rect in = Inner(panel);
  const float side = std::min(in.width, in.height);
  if (side < 1) return;
  const Rect square{in.x + (in.width - side) / 2, in.y + (in.height - side) / 2, side, side};
  if (!canvas.DrawLattice(kLiveLattice, square)) {
    canvas.Text(kLatticeUnavailable, in, TextStyle::kSmall, kIcy, Align::kCenter, Align::kCenter);
  }
}

// The finalist being verified, else the sweep candidate being measured; null before either.
const CandidateView* MeasuredCandidate(const FeedSnapshot& feed, bool& verifying) {
  const auto at = [](const std::vector<CandidateView>& list, std::int32_t i) {
    return i >= 0 && static_cast<std::size_t>(i) < list.size() ? &list[static_cast<std::size_t>(i)]
                                                               : nullptr;
  };
  const CandidateView* finalist = at(feed.finalists, feed.verifyActive);
  verifying = finalist != nullptr && finalist->hasData;
  return verifying ? finalist : at(feed.sweep.candidates, feed.sweepActive);
}

// The statistics of the candidate being measured, as the measurement ranks it.
void DrawCandidate(Canvas& canvas, const Rect& panel, const FeedSnapshot& feed) {
  Panel(canvas, panel, "CANDIDATE", "statistics of the candidate being measured");
  bool verifying = false;
  const CandidateView* c = MeasuredCandidate(feed, verifying);
  if (c == nullptr) return;
  const Rect in = Inner(panel);
  // The window draws these panels only while the run goes on: nothing is held yet.
  const std::string phase = support::ToUtf8(CandidatePhaseWord(false, verifying, c->hasData));
  canvas.Text(Ms("%.4f ms  |  ", c->requested / 10000.0) + phase, {in.x, in.y, in.width, 20},
              TextStyle::kLabel, kCoolWhite, Align::kLeading, Align::kCenter);
  if (!c->hasData) return;
  const struct {
    const char* label;
    std::string value;
  } rows[] = {
      {"median", Ms("%+.4f ms", c->loop.median)},
      {"mean", Ms("%+.4f ms", c->loop.mean)},
      {"stdev", Ms("%.4f ms", c->loop.stdev)},
      {"missed ticks", Ms("%.1f%%", c->loop.latePct)},
      {"mean after idle", Ms("%+.4f ms", c->idle.mean)},
      {"missed after idle", Ms("%.1f%%", c->idle.latePct)},
  };
  const float scoreWidth = std::min(110.0f, in.width / 3);
  const float rowH = std::min(20.0f, (in.height - 24) / 6);
  float y = in.y + 24;
  for (const auto& row : rows) {
    const Rect line{in.x, y, in.width - scoreWidth - 8, rowH};
    canvas.Text(row.label, line, TextStyle::kSmall, kIcy, Align::kLeading, Align::kCenter);
    canvas.Text(row.value, line, TextStyle::kSmallNumbers, kCoolWhite, Align::kTrailing,
                Align::kCenter);
    y += rowH;
  }
  const Rect score{in.Right() - scoreWidth, in.y + 24, scoreWidth, 6 * rowH};
  canvas.FillRoundedRect(score, 6, WithAlpha(kElectric, 0.18f));
  canvas.Text("SCORE", {score.x, score.y + 6, score.width, 18}, TextStyle::kLabel, kIcy,
              Align::kCenter, Align::kCenter);
  canvas.Text(Ms("%.3f", c->score), {score.x, score.y + 24, score.width, score.height - 30},
              TextStyle::kLargeNumbers, kCoolWhite, Align::kCenter, Align::kCenter);
}

}  // namespace

MeasureCharts::MeasureCharts()
    : data_(std::make_unique<ChartData>()), snapshot_(std::make_unique<ChartSnapshot>()) {}

void MeasureCharts::Take(const FeedSnapshot& feed) {
  if (feed.resets != resets_) {
    resets_ = feed.resets;
    data_->Reset();
    pass_ = 0;
    finalists_ = 0;
    verifyActive_ = -2;
  }
  for (const Sample& s : feed.newSamples) {
    data_->AddSample(s.requested, s.overshootMs, s.afterIdle, feed.elapsedSeconds);
  }
  if (feed.sweep.pass != pass_ && feed.sweep.pass > 0) {
    pass_ = feed.sweep.pass;
    data_->PublishSweep(pass_, feed.sweep.candidates);
  }
  if (!feed.finalists.empty() &&
      (feed.finalists.size() != finalists_ || feed.verifyActive != verifyActive_)) {
    finalists_ = feed.finalists.size();
    verifyActive_ = feed.verifyActive;
    data_->PublishVerify(feed.finalists);
  }
  data_->CopyInto(*snapshot_);
  // Cells change only with a sample or a cleared picture, the columns with a published list.
  const ChartSnapshot& now = *snapshot_;
  const std::array<std::uint64_t, 4> key = {now.feedEpoch, now.passEpoch, now.statsVersion,
                                            now.totals.sampleCount};
  if (key != latticeKey_) {
    latticeKey_ = key;
    ++latticeVersion_;
  }
}

void DrawMeasurePanels(Canvas& canvas, Rect area, const ChartSnapshot& charts,
                       const FeedSnapshot& feed) {
  // The lattice and the candidate share a column on the right; the flat charts the rest.
  const float side = std::min(area.height, area.width * 0.4f);
  const float candidateH = std::min(kCandidateHeight, area.height / 2);
  const float latticeH = area.height - candidateH - kGap;
  DrawLatticePanel(canvas, {area.Right() - side, area.y, side, latticeH}, charts, feed);
  DrawCandidate(canvas, {area.Right() - side, area.y + latticeH + kGap, side, candidateH}, feed);
  area.width -= side + kGap;
  const float w = (area.width - kGap) / 2, h = (area.height - kGap) / 2;
  DrawLive(canvas, {area.x, area.y, w, h}, charts);
  DrawHistogram(canvas, {area.x + w + kGap, area.y, w, h}, charts);
  DrawSweep(canvas, {area.x, area.y + h + kGap, w, h}, feed);
  DrawVerification(canvas, {area.x + w + kGap, area.y + h + kGap, w, h}, feed);
}

}  // namespace gui
