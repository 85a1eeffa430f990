#include "gui/screens/step_screens.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "gui/card_layout.h"
#include "gui/driver_flow.h"
#include "gui/panel_texts.h"
#include "gui/screens/widgets.h"
#include "gui/step_policy.h"
#include "gui/step_texts.h"
#include "gui/transition.h"
#include "measure/fidelity.h"
#include "support/utf.h"
#include "tweaks/cpu_probe.h"

namespace gui::screens {
namespace {

using namespace gui::palette;
using support::ToUtf8;

constexpr float kButtonHeight = 38;
constexpr float kGap = 12;

std::string Subtitle(int step) { return ToUtf8(Step(step).subtitle); }

const FeedSnapshot& FeedFor(const StepScreenModel& m, int step) {
  static const FeedSnapshot kEmpty;
  return m.feeds != nullptr && step >= 0 ? (*m.feeds)[static_cast<std::size_t>(step)] : kEmpty;
}

// A row of buttons from the left edge of `area` at its top; returns the row's height.
struct ButtonSpec {
  std::string label;
  int id;
  ButtonKind kind;
  std::uint32_t flags;
};
float ButtonRow(Canvas& canvas, InputRouter& router, Rect area,
                std::initializer_list<ButtonSpec> buttons) {
  float x = area.x;
  for (const ButtonSpec& b : buttons) {
    const float w = ButtonWidth(canvas, b.label);
    DrawButton(canvas, router, {x, area.y, w, kButtonHeight}, b.label, b.id, b.kind, b.flags);
    x += w + kGap;
  }
  return kButtonHeight;
}

// A block of wrapped body text; returns where the next block starts.
float Paragraph(Canvas& canvas, Rect area, std::string_view text, float height,
                TextStyle style = TextStyle::kBody, Color color = kIcy) {
  canvas.Text(text, {area.x, area.y, area.width, height}, style, color);
  return area.y + height + kGap;
}

// ---- Welcome: the selection ----

void DrawWelcome(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  const float left = std::min(600.0f, c.width * 0.48f);
  float y = c.y;
  canvas.Text("VELTRANE", {c.x, y, left, 34}, TextStyle::kScreenTitle, kCoolWhite);
  canvas.Text("Orvandel", {c.x, y + 34, left, 18}, TextStyle::kCaption, kIcy);
  y = Paragraph(
      canvas, {c.x, y + 58, left, 0},
      "Timer resolution, CPU power, GPU, memory, and storage. Low-level settings are tuned to "
      "harden the machine for a more responsive, lower-latency configuration, without unneeded "
      "versatility or fluff. Perfect for gamers and HPC. Uncheck any step you want to skip. "
      "Begin makes a restore point first, measures timing next, then runs the remaining steps "
      "in a safe order. It asks only before a driver install or Afterburner.",
      120);
  canvas.Text("Select the steps to run  -  everything is on by default", {c.x, y, left, 22},
              TextStyle::kHeading, kCoolWhite);
  y += 30;
  const float itemHeight = std::clamp((c.Bottom() - y) / 9.0f - 6, 30.0f, 46.0f);
  for (int i = 0; i < kStepCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    DrawCheckItem(canvas, router, {c.x, y, left, itemHeight}, kStepNames[at], Subtitle(i),
                  m.tune.selected[at], kCheckFirst + i);
    y += itemHeight + 6;
  }

  const float rx = c.x + left + 40;
  const float rw = c.Right() - rx;
  float ry = c.y;
  ButtonRow(canvas, router, {rx, ry, rw, 0},
            {{"Select all", kSelectAll, ButtonKind::kSecondary, 0},
             {"Clear", kClearSelection, ButtonKind::kSecondary, 0}});
  ry += kButtonHeight + 28;
  const bool cpuWarning =
      ShowCpuWarningOnSelection(m.cpu.cpuClass, m.tune.Selected(StepIndex::Cpu));
  if (m.tune.Selected(StepIndex::Measure)) {
    canvas.Text("How thoroughly should each interval be measured?", {rx, ry, rw, 22},
                TextStyle::kHeading, kCoolWhite);
    ry += 30;
    const char* names[3] = {"Low", "Medium", "High"};
    float x = rx;
    for (int f = 0; f < 3; ++f) {
      const FidelityPlan plan = FidelityPlanFor(static_cast<Fidelity>(f));
      const std::string label =
          std::string(names[f]) + "   " + ToUtf8(FidelityDurationLabel(plan.estimatedSeconds));
      const float w = ButtonWidth(canvas, label, 130);
      DrawButton(canvas, router, {x, ry, w, kButtonHeight}, label, kFidelityFirst + f,
                 m.fidelity == f ? ButtonKind::kPrimary : ButtonKind::kSecondary,
                 kControlNeverDefault);
      x += w + kGap;
    }
    ry += kButtonHeight + 8;
    const auto fidelity = static_cast<Fidelity>(m.fidelity);
    canvas.Text(ToUtf8(FidelityDetailLine(fidelity, FidelityPlanFor(fidelity))), {rx, ry, rw, 20},
                TextStyle::kSmall, kIcy);
    ry += 40;
  }
  if (cpuWarning) {
    // A full tune starts CPU Tune without its confirm screen, so its warning shows here.
    ry = Paragraph(canvas, {rx, ry, rw, 0},
                   "CPU Tune: A 5 s check interval delays turbo boost. Apply this only if the "
                   "multiplier is locked in BIOS.",
                   44, TextStyle::kBody, kCoral);
  }
  ry = Paragraph(canvas, {rx, ry, rw, 0},
                 "The restart screen lists the BIOS settings to set by hand. Press Enter to "
                 "begin.",
                 44);
  const bool any =
      std::any_of(m.tune.selected.begin(), m.tune.selected.end(), [](bool b) { return b; });
  if (any) {
    DrawButton(canvas, router, {rx, ry, 220, kButtonHeight + 6}, "Begin", kBegin,
               ButtonKind::kPrimary);
  } else {
    canvas.Text("Select at least one step to tune", {rx, ry, rw, kButtonHeight},
                TextStyle::kHeading, kCoral, Align::kLeading, Align::kCenter);
  }
  DrawButton(canvas, router, {rx, ry + kButtonHeight + 24, 160, kButtonHeight}, "Health",
             kOpenHealth);
}

// ---- Confirm screens ----

struct ConfirmText {
  Stage stage;
  const char *title, *explanation, *primary;
};

constexpr ConfirmText kConfirms[] = {
    {Stage::PrepareConfirm, "Create a restore point first",
     "Writes a System Restore checkpoint named 'Veltrane pre-tune'. Use it to roll back if a "
     "later change is unstable. This can take a minute.",
     "Continue  -  create restore point"},
    {Stage::AfterburnerConfirm, "Afterburner and RivaTuner",
     "The Afterburner download and the OC scan take about 30 minutes. MSI Afterburner 4.6.6 and "
     "RivaTuner are installed if they are missing. On an NVIDIA GPU the scanner starts on its "
     "own. The curve it finds is applied to the current settings, saved as profile 1, and "
     "applied every time you log on. This step does not change the GPU driver.",
     "Continue  -  install and scan"},
    {Stage::MemoryConfirm, "Pagefile and memory compression",
     "Keeps a system-managed pagefile so commit never hits a zero-pagefile cliff, and turns off "
     "memory compression so standby pages are not compressed on a CPU thread.",
     "Continue  -  apply memory tweaks"},
    {Stage::StorageConfirm, "SSD, PCIe, USB, TRIM",
     "PCIe ASPM off, disks never spun down, USB selective suspend off, TRIM on, "
     "SysMain/Superfetch disabled, hibernate off, write cache on, NTFS last-access timestamps "
     "off. Windows Search is left running so Start-menu search still works.",
     "Continue  -  apply storage tweaks"},
    {Stage::GpuConfirm, "GPU Config",
     "Writes Windows and driver latency settings: hardware-accelerated GPU scheduling, Game DVR "
     "and overlay off, NVIDIA global 3D (prefer maximum performance, high-performance "
     "filtering, VSync off, ultra low latency, ReBAR, CUDA P2 off, Ansel off), and AMD Anti-Lag "
     "/ ULPS.",
     "Continue  -  apply GPU tweaks"},
};

void DrawConfirm(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  const Rect card{c.x, c.y, std::min(c.width, 820.0f), std::min(c.height, 360.0f)};
  DrawCard(canvas, card);
  const Rect in{card.x + 24, card.y + 20, card.width - 48, card.height - 40};
  float y = in.y;
  std::string title, explanation, primary;
  Color explanationColor = kIcy;
  if (m.stage == Stage::CpuConfirm) {
    title = "CPU Tune";
    const bool locked = m.cpu.cpuClass == kCpuLocked;
    const char* banner = locked                          ? "LOCKED / STATIC FREQUENCY"
                         : m.cpu.cpuClass == kCpuDynamic ? "DYNAMIC BOOST (TURBO / PBO)"
                                                         : "MULTIPLIER UNCLEAR";
    canvas.Text(title, {in.x, y, in.width, 30}, TextStyle::kSectionTitle, kCoolWhite);
    y += 34;
    canvas.Text(banner, {in.x, y, in.width, 26}, TextStyle::kHeading,
                locked ? kIcy : (m.cpu.cpuClass == kCpuDynamic ? kCoral : kSteel));
    y += 28;
    char line[256];
    std::snprintf(line, sizeof line, "%s   %u logical   idle %u MHz  busy %u MHz  cap %u MHz%s%s",
                  ToUtf8(m.cpu.name).c_str(), m.cpu.logicalCount, m.cpu.idleMhz, m.cpu.busyMhz,
                  m.cpu.capMhz, m.cpu.hybrid ? "   hybrid" : "",
                  m.cpu.ppmApplied ? "  |  reapplying current values" : "");
    canvas.Text(line, {in.x, y, in.width, 20}, TextStyle::kSmall, kIcy);
    y += 30;
    explanation = locked ? "On a locked clock the kernel still wakes every ~15 ms to re-evaluate "
                           "P-states and parked cores. Those DPCs steal slices from the game and "
                           "audio threads. This step disables parking, pins the processor at "
                           "100%, and sets the check interval to 5 s."
                         : "A 5 s check interval delays turbo boost. Apply this only if the "
                           "multiplier is locked in BIOS.";
    if (!locked) explanationColor = kCoral;
    primary = locked ? "Continue  -  apply CPU tweaks" : "Continue anyway";
  } else {
    for (const ConfirmText& t : kConfirms) {
      if (t.stage != m.stage) continue;
      title = t.title;
      explanation = t.explanation;
      primary = t.primary;
    }
    canvas.Text(title, {in.x, y, in.width, 30}, TextStyle::kSectionTitle, kCoolWhite);
    y += 36;
    if (m.stage == Stage::GpuConfirm && !m.gpuSummary.empty()) {
      canvas.Text(ToUtf8(m.gpuSummary), {in.x, y, in.width, 20}, TextStyle::kSmall, kIcy);
      y += 28;
    }
  }
  y = Paragraph(canvas, {in.x, y, in.width, 0}, explanation, 110, TextStyle::kBody,
                explanationColor);
  ButtonRow(canvas, router, {in.x, in.Bottom() - kButtonHeight, in.width, 0},
            {{primary, kPrimary, ButtonKind::kPrimary, 0},
             {"Skip this step", kSkip, ButtonKind::kSecondary, 0}});
}

// ---- Running, done and failure screens of the tweak steps ----

// A row's state as a drawn mark rather than a glyph, so it shows whatever fonts the
// machine has: a dot waiting, three dots running, a tick done, a cross failed.
void DrawRowMark(Canvas& canvas, Rect box, std::int32_t state) {
  const float cx = box.x + box.width / 2, cy = box.y + box.height / 2;
  switch (state) {
    case 1:
      for (int i = -1; i <= 1; ++i) {
        canvas.FillRoundedRect({cx + 5.0f * static_cast<float>(i) - 1.5f, cy - 1.5f, 3, 3}, 1.5f,
                               kIcy);
      }
      return;
    case 2: {
      const Point tick[] = {{cx - 5, cy}, {cx - 1.5f, cy + 4}, {cx + 5, cy - 5}};
      canvas.Polyline(tick, kIcy, 2);
      return;
    }
    case 3:
      canvas.Line({cx - 4.5f, cy - 4.5f}, {cx + 4.5f, cy + 4.5f}, kCoral, 2);
      canvas.Line({cx - 4.5f, cy + 4.5f}, {cx + 4.5f, cy - 4.5f}, kCoral, 2);
      return;
    default:
      canvas.FillRoundedRect({cx - 1.5f, cy - 1.5f, 3, 3}, 1.5f, kSteel);
      return;
  }
}

void DrawRows(Canvas& canvas, Rect area, const FeedSnapshot& feed) {
  float y = area.y;
  for (const TweakRow& row : feed.rows) {
    if (y + 22 > area.Bottom()) break;
    DrawRowMark(canvas, {area.x, y, 20, 22}, row.state);
    canvas.Text(ToUtf8(row.title), {area.x + 24, y, area.width * 0.45f, 22}, TextStyle::kSmall,
                kCoolWhite, Align::kLeading, Align::kCenter);
    canvas.Text(ToUtf8(row.detail),
                {area.x + 24 + area.width * 0.45f, y, area.width * 0.55f - 24, 22},
                TextStyle::kSmall, kIcy, Align::kLeading, Align::kCenter);
    y += 24;
  }
}

void DrawLines(Canvas& canvas, Rect area, const FeedSnapshot& feed) {
  const int fit = static_cast<int>(area.height / 18);
  const int count = static_cast<int>(feed.lines.size());
  float y = area.y;
  for (int i = std::max(0, count - fit); i < count; ++i) {
    canvas.Text(ToUtf8(feed.lines[static_cast<std::size_t>(i)]), {area.x, y, area.width, 18},
                TextStyle::kSmallNumbers, kIcy);
    y += 18;
  }
}

void DrawResultBanner(Canvas& canvas, Rect area, const FeedSnapshot& feed, bool failed) {
  canvas.Text(ToUtf8(feed.title), {area.x, area.y, area.width, 30}, TextStyle::kBanner,
              failed ? kCoral : kCoolWhite);
  canvas.Text(ToUtf8(feed.detail), {area.x, area.y + 32, area.width, 22}, TextStyle::kHeading,
              failed ? kCoral : kIcy);
}

void DrawTweakProgress(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router,
                       int step) {
  const FeedSnapshot& feed = FeedFor(m, step);
  const StepState state = m.tune.state[static_cast<std::size_t>(step)];
  const bool done = IsEnded(state) && state == StepState::Finished;
  DrawResultBanner(canvas, {c.x, c.y, c.width, 60}, feed, false);
  int rowsDone = 0;
  for (const TweakRow& r : feed.rows) rowsDone += (r.state == 2 || r.state == 3) ? 1 : 0;
  const std::string progress =
      feed.rows.empty() ? std::string("Preparing…")
                        : std::to_string(rowsDone) + " / " + std::to_string(feed.rows.size());
  canvas.Text(std::string(kStepNames[static_cast<std::size_t>(step)]) + " applied",
              {c.x, c.y + 66, c.width / 2, 22}, TextStyle::kHeading, kCoolWhite);
  canvas.Text(progress, {c.x + c.width / 2, c.y + 66, c.width / 2, 22}, TextStyle::kNumbers, kIcy,
              Align::kTrailing);
  DrawProgressBar(canvas, {c.x, c.y + 94, c.width, 6}, CardProgress(feed.fraction, feed.rows),
                  m.seconds);
  const float listTop = c.y + 112;
  const float listHeight = c.height - 112 - kButtonHeight - 80;
  DrawRows(canvas, {c.x, listTop, c.width * 0.62f, listHeight}, feed);
  DrawLines(canvas, {c.x + c.width * 0.64f, listTop, c.width * 0.36f, listHeight}, feed);
  std::string status;
  if (!done) {
    status = feed.detail.empty() ? "Writing settings." : ToUtf8(feed.detail);
  } else if (m.stage == Stage::AfterburnerDone && m.driverAfterAfterburner) {
    status =
        "Complete. A later driver install may have cleared the curve. Run this step again "
        "if the overclock is gone.";
  } else {
    status = "Complete.";
  }
  canvas.Text(status, {c.x, c.Bottom() - kButtonHeight - 60, c.width, 44}, TextStyle::kBody, kIcy);
  if (done) {
    DrawButton(canvas, router, {c.x, c.Bottom() - kButtonHeight, 180, kButtonHeight}, "Continue",
               kPrimary, ButtonKind::kPrimary);
  } else {
    DrawButton(canvas, router, {c.x, c.Bottom() - kButtonHeight, 140, kButtonHeight}, "Stop", kStop,
               ButtonKind::kDanger, kControlNeverDefault);
  }
}

void DrawFailure(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router, int step) {
  const bool stopped = m.tune.state[static_cast<std::size_t>(step)] == StepState::Stopped;
  canvas.Text(ToUtf8(StepEndHeading(stopped)), {c.x, c.y, c.width, 34}, TextStyle::kBanner, kCoral);
  std::string message, followUp, retry = "Retry";
  const bool serviceHolding = FeedFor(m, step).system.serviceState == 1;
  switch (m.stage) {
    case Stage::PrepareFailed:
      message = "Restore point could not be created. System Protection may be off.";
      break;
    case Stage::CpuFailed:
    case Stage::GpuFailed: {
      const bool gpu = m.stage == Stage::GpuFailed;
      const FailureTexts t = TweakFailureTexts(gpu, serviceHolding);
      message = ToUtf8(t.message);
      followUp = ToUtf8(t.followUp);
      retry = gpu ? "Retry GPU" : "Retry PPM";
      break;
    }
    case Stage::AfterburnerFailed:
      message = "Afterburner failed - see the log. The GPU driver settings are unchanged.";
      break;
    case Stage::MemoryFailed:
      message = "Memory tweaks failed - see the log. Earlier writes are still in place.";
      break;
    default:
      message = "Storage tweaks failed - see the log. Retry, or skip to Review.";
      break;
  }
  float y = Paragraph(canvas, {c.x, c.y + 48, std::min(c.width, 820.0f), 0}, message, 48,
                      TextStyle::kLead, kCoolWhite);
  if (!followUp.empty())
    y = Paragraph(canvas, {c.x, y, std::min(c.width, 820.0f), 0}, followUp, 44);
  DrawLines(canvas, {c.x, y, c.width, c.Bottom() - y - kButtonHeight - 20}, FeedFor(m, step));
  ButtonRow(
      canvas, router, {c.x, c.Bottom() - kButtonHeight, c.width, 0},
      {{retry, kPrimary, ButtonKind::kPrimary, 0}, {"Skip", kSkip, ButtonKind::kSecondary, 0}});
}

// ---- Measure and Hold ----

void DrawMeasureRunning(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  const FeedSnapshot& feed = FeedFor(m, static_cast<int>(StepIndex::Measure));
  canvas.Text(feed.detail.empty() ? std::string("starting") : ToUtf8(feed.detail),
              {c.x, c.y, c.width, 26}, TextStyle::kHeading, kCoolWhite);
  if (feed.hasBaseline) {
    canvas.Text(Printf("untuned Sleep(1) overshoots by %+.2f ms  -  default ~15.6 ms clock",
                       feed.baseline.median),
                {c.x, c.y + 30, c.width, 20}, TextStyle::kSmall, kIcy);
  }
  DrawProgressBar(canvas, {c.x, c.y + 60, c.width, 8}, feed.fraction > 0.001 ? feed.fraction : -1,
                  m.seconds);
  if (feed.remaining > 0) {
    canvas.Text("about " + std::to_string(static_cast<int>(feed.remaining + 0.5)) + " s left",
                {c.x, c.y + 74, c.width, 20}, TextStyle::kNumbers, kIcy, Align::kTrailing);
  }
  // The charts fill the middle, below the status lines; the newest line of the run's output
  // sits beside the Stop button.
  if (m.charts != nullptr) {
    DrawMeasurePanels(canvas, {c.x, c.y + 100, c.width, c.height - 160}, *m.charts, feed);
  }
  if (!feed.lines.empty()) {
    canvas.Text(ToUtf8(feed.lines.back()),
                {c.x + 160, c.Bottom() - kButtonHeight, c.width - 160, kButtonHeight},
                TextStyle::kSmallNumbers, kIcy, Align::kLeading, Align::kCenter);
  }
  DrawButton(canvas, router, {c.x, c.Bottom() - kButtonHeight, 140, kButtonHeight}, "Stop", kStop,
             ButtonKind::kDanger, kControlNeverDefault);
}

void DrawMeasureFailed(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  const bool stopped = m.stage == Stage::MeasureStopped;
  canvas.Text(stopped ? "Benchmark stopped" : "Benchmark failed", {c.x, c.y, c.width, 34},
              TextStyle::kBanner, kCoral);
  Paragraph(canvas, {c.x, c.y + 48, std::min(c.width, 820.0f), 0},
            m.result.error.empty() ? std::string("Nothing was changed.") : ToUtf8(m.result.error),
            60, TextStyle::kLead, kCoolWhite);
  ButtonRow(canvas, router, {c.x, c.y + 130, c.width, 0},
            {{"Try again", kPrimary, ButtonKind::kPrimary, 0},
             {"Open log", kOpenLog, ButtonKind::kSecondary, 0}});
}

// Behind the value a finished run chose: a glow that pops out past the value's width and
// settles, pulsing while the celebration rises, then fading as it completes.
void DrawCelebration(Canvas& canvas, Rect c, const std::string& value, float celebration,
                     double seconds) {
  const float width = canvas.MeasureText(value, TextStyle::kHeroValue).width;
  const float pop = static_cast<float>(BannerPopScale(celebration));
  const float pulse = 0.5f + 0.5f * static_cast<float>(std::sin(5.0 * seconds));
  const float glow = (1.0f - celebration) * (0.25f + 0.2f * pulse);
  const float grown = (width + 48) * pop;
  canvas.FillRoundedRect({c.x - 24 + (width + 48 - grown) / 2, c.y - 6, grown, 64}, 14,
                         WithAlpha(kElectric, glow));
  canvas.FillRect({c.x, c.y + 56, width * std::min(pop, 1.2f), 3},
                  WithAlpha(kIcy, 0.4f + 0.6f * celebration));
}

void DrawResult(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  const ResultView& r = m.result;
  const bool given = m.optionResolution != 0 && !m.optionMeasured;
  const std::uint32_t hold =
      given ? m.optionResolution : (r.holdValue != 0 ? r.holdValue : r.selected);
  const float celebration = m.stage == Stage::HoldDone      ? m.holdCelebration
                            : m.stage == Stage::MeasureDone ? m.measureCelebration
                                                            : 0.0f;
  const std::string value = hold != 0 ? Printf("%.4f ms", hold / 10000.0) : std::string("-");
  if (celebration > 0 && hold != 0) DrawCelebration(canvas, c, value, celebration, m.seconds);
  canvas.Text(value, {c.x, c.y, c.width, 52}, TextStyle::kHeroValue, kCoolWhite);
  float y = c.y + 60;
  if (!given && r.selected != 0) {
    const std::string how =
        r.holdValue != 0 && r.holdValue != r.selected
            ? Printf("lowest aggregate score. This run verified %.4f ms", r.selected / 10000.0)
            : Printf("best measured %.4f ms  +  %.4f ms safety margin", r.bestMeasured / 10000.0,
                     r.margin / 10000.0);
    canvas.Text(how, {c.x, y, c.width, 22}, TextStyle::kHeading, kIcy);
    y += 26;
    char stats[200];
    // From the aggregate the statistics are this run's; otherwise they verified the value.
    const bool fromAggregate = r.holdValue != 0 && r.holdValue != r.selected;
    std::snprintf(stats, sizeof stats,
                  "%s%u samples: median %+.4f, mean %+.4f, %.1f%% missed a tick",
                  fromAggregate ? "this run, " : "verified over ", r.loop.count, r.loop.median,
                  r.loop.mean, r.loop.latePct);
    canvas.Text(stats, {c.x, y, c.width, 20}, TextStyle::kSmall, kIcy);
    y += 34;
  }
  const FeedSnapshot& hf = FeedFor(m, static_cast<int>(StepIndex::Hold));
  switch (m.stage) {
    case Stage::MeasureDone: {
      const bool holdSelected = m.tune.Selected(StepIndex::Hold);
      const char* line = !holdSelected ? "The boot service will not be installed. Continue to the "
                                         "next selected step."
                         : hold != 0   ? "The boot service installs on its own and holds this "
                                         "period at every startup."
                                       : "There is no measured period yet, so the boot service was "
                                         "not installed.";
      Paragraph(canvas, {c.x, y, c.width, 0}, line, 44, TextStyle::kLead, kCoolWhite);
      ButtonRow(canvas, router, {c.x, c.Bottom() - kButtonHeight, c.width, 0},
                {{"Continue", kPrimary, ButtonKind::kPrimary, 0},
                 {"Close", kCloseWindow, ButtonKind::kSecondary, 0}});
      break;
    }
    case Stage::HoldRunning:
      canvas.Text("Installing the auto-start service…", {c.x, y, c.width, 26}, TextStyle::kLead,
                  kCoolWhite);
      canvas.Text(ToUtf8(hf.detail), {c.x, y + 30, c.width, 22}, TextStyle::kBody, kIcy);
      DrawLines(canvas, {c.x, y + 64, c.width, c.Bottom() - y - 64}, hf);
      break;
    case Stage::HoldDone:
      canvas.Text(Printf("Service running: holding %.4f ms now and at every boot", hold / 10000.0),
                  {c.x, y, c.width, 26}, TextStyle::kLead, kCoolWhite);
      DrawButton(canvas, router, {c.x, c.Bottom() - kButtonHeight, 180, kButtonHeight}, "Continue",
                 kPrimary, ButtonKind::kPrimary);
      break;
    default:  // Hold failed
      canvas.Text("Install failed - see the log for details.", {c.x, y, c.width, 26},
                  TextStyle::kLead, kCoral);
      canvas.Text(ToUtf8(hf.detail), {c.x, y + 30, c.width, 22}, TextStyle::kBody, kIcy);
      ButtonRow(canvas, router, {c.x, c.Bottom() - kButtonHeight, c.width, 0},
                {{"Retry install", kPrimary, ButtonKind::kPrimary, 0},
                 {"Open log", kOpenLog, ButtonKind::kSecondary, 0}});
      break;
  }
}

// ---- GPU Clean ----

std::string SizeText(std::uint64_t bytes) {
  const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
  return mb >= 1024 ? Printf("%.1f GB", mb / 1024.0) : Printf("%.0f MB", mb);
}

// The flow's text and buttons; shared by the GPU Clean screen and the full tune's card.
void DrawDriverDecision(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router,
                        bool withSkip) {
  const GpuDriverOffer& o = m.offer;
  const std::string offerText = ToUtf8(o.description.empty() ? o.message : o.description);
  std::string text;
  std::vector<ButtonSpec> buttons;
  switch (m.tune.flow) {
    case GpuFlow::Idle:
    case GpuFlow::LookingUp:
      text =
          "Looking up the current driver\n\nReading the display adapter and asking the "
          "vendor for the current package.";
      break;
    case GpuFlow::OfferReady:
      text = offerText +
             "\n\nNVIDIA and AMD packages are downloaded only from the vendor. You will be asked "
             "again before anything is installed.";
      if (OfferDownloadable(o)) {
        buttons.push_back({std::string(o.vendor == kDriverAmd ? "Download AMD driver"
                                                              : "Download NVIDIA driver") +
                               "  |  " + SizeText(o.sizeBytes),
                           kPrimary, ButtonKind::kPrimary, 0});
      } else {
        buttons.push_back({"Check again", kDriverCheckAgain, ButtonKind::kPrimary, 0});
      }
      break;
    case GpuFlow::Downloading:
      text = offerText + "\n\nDownloading. This does not install the driver yet.";
      break;
    case GpuFlow::Downloaded:
      text = offerText +
             "\n\nInstall the trimmed driver now? The display will flicker, this window may go "
             "blank until the installer finishes, and a restart is required afterward.";
      buttons.push_back({"Install trimmed driver", kPrimary, ButtonKind::kPrimary, 0});
      break;
    case GpuFlow::Installing:
      text =
          "Installing the trimmed driver. The display may flicker, and this window may go "
          "blank until the installer finishes. Leave this step running.";
      break;
    case GpuFlow::Installed:
      text =
          "The trimmed driver is installed. Restart Windows before it is fully in use. GPU "
          "Config can write its settings now.";
      if (withSkip)
        buttons.push_back({"Continue  -  configure GPU", kPrimary, ButtonKind::kPrimary, 0});
      break;
    case GpuFlow::Failed:
      text = "The driver step failed.\n\n" + ToUtf8(o.message);
      buttons.push_back({"Retry", kPrimary, ButtonKind::kPrimary, 0});
      break;
    case GpuFlow::NoPackage:
      text =
          "No vendor package can be installed from here.\n\nNVIDIA: graphics driver only. "
          "Skip the NVIDIA App, telemetry, ShadowPlay, and HD audio.\nAMD: choose Driver Only. "
          "Skip Adrenalin, the overlay, Chill, and the other extras.\nDDU in Safe Mode is "
          "optional if an older package left leftovers.\nAfterburner and RivaTuner are "
          "installed by the GPU step. BIOS Resizable BAR stays manual.";
      if (withSkip) buttons.push_back({"Continue", kSkip, ButtonKind::kPrimary, 0});
      buttons.push_back({"Check again", kDriverCheckAgain, ButtonKind::kSecondary, 0});
      break;
  }
  const float textHeight = c.height - kButtonHeight - 40;
  canvas.Text(text, {c.x, c.y, c.width, textHeight}, TextStyle::kBody, kCoolWhite);
  if (m.tune.flow == GpuFlow::Downloading || m.tune.flow == GpuFlow::LookingUp ||
      m.tune.flow == GpuFlow::Installing) {
    const FeedSnapshot& feed = FeedFor(m, static_cast<int>(StepIndex::GpuClean));
    const double f = feed.fraction > 0.001 ? feed.fraction : -1;
    DrawProgressBar(canvas, {c.x, c.Bottom() - kButtonHeight - 24, c.width, 6}, f, m.seconds);
    if (f >= 0) {
      canvas.Text(std::to_string(static_cast<int>(f * 100)) + "%",
                  {c.x, c.Bottom() - kButtonHeight - 44, c.width, 18}, TextStyle::kNumbers, kIcy,
                  Align::kTrailing);
    }
  }
  if (withSkip && m.tune.flow != GpuFlow::NoPackage) {
    buttons.push_back({"Skip this step", kSkip, ButtonKind::kSecondary, 0});
  }
  float x = c.x;
  for (const ButtonSpec& b : buttons) {
    const float w = ButtonWidth(canvas, b.label);
    DrawButton(canvas, router, {x, c.Bottom() - kButtonHeight, w, kButtonHeight}, b.label, b.id,
               b.kind, b.flags);
    x += w + kGap;
  }
}

// ---- Review ----

void DrawReview(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  canvas.Text("Before you restart", {c.x, c.y, c.width, 34}, TextStyle::kBanner, kCoolWhite);
  float y = Paragraph(canvas, {c.x, c.y + 44, std::min(c.width, 900.0f), 0},
                      "Windows cannot change BIOS. Set these, then restart so they and the kernel "
                      "flags take effect.",
                      44, TextStyle::kLead, kIcy);
  y = Paragraph(canvas, {c.x, y, std::min(c.width, 900.0f), 0},
                "Lock the CPU multiplier. Disable Intel Turbo / EIST / Speed Shift, or AMD PBO / "
                "Precision Boost.\nDisable deep C-states. Leave C1 if the machine will not POST "
                "without it.\nEnable XMP (Intel) or DOCP (AMD) at the RAM's rated frequency, and "
                "DRAM voltage if the profile needs it.\nSATA/NVMe in AHCI. Enable Above 4G / "
                "Resizable BAR if you want ReBAR.\nIf anything is unstable: Settings → System "
                "Restore → 'Veltrane pre-tune', or Veltrane.exe --uninstall.",
                170, TextStyle::kBody, kCoolWhite);
  if (!m.restartPanel) {
    ButtonRow(canvas, router, {c.x, y, c.width, 0},
              {{"Restart computer", kRestart, ButtonKind::kPrimary, 0},
               {"Close", kCloseWindow, ButtonKind::kSecondary, 0}});
    return;
  }
  // The panel takes all input until it closes; Enter never reaches "Restart now".
  router.OpenLayer();
  const Rect panel{c.x, y, std::min(c.width, 720.0f), 190};
  DrawCard(canvas, panel, true);
  const Rect in{panel.x + 20, panel.y + 16, panel.width - 40, panel.height - 32};
  float py = Paragraph(canvas, {in.x, in.y, in.width, 0},
                       "Windows will restart immediately. Set the BIOS items above on the next "
                       "boot if they are not set yet.",
                       40, TextStyle::kBody, kCoolWhite);
  py = Paragraph(canvas, {in.x, py, in.width, 0}, ToUtf8(kRestartUnsavedWarning), 22,
                 TextStyle::kBody, kCoral);
  if (!m.restartMessage.empty()) {
    canvas.Text(ToUtf8(m.restartMessage), {in.x, py, in.width, 20}, TextStyle::kSmall, kCoral);
  }
  ButtonRow(canvas, router, {in.x, in.Bottom() - kButtonHeight, in.width, 0},
            {{"Restart now", kRestartNow, ButtonKind::kDanger, kControlNeverDefault},
             {"Not yet", kRestartNotYet, ButtonKind::kPrimary, 0}});
}

// ---- Full tune ----

// Below this the panels' labels would overlap: a smaller Measure card lists output lines.
constexpr float kCardPanelsMinWidth = 360, kCardPanelsMinHeight = 220;

void DrawStepCard(Canvas& canvas, Rect r, const StepScreenModel& m, InputRouter& router, int step) {
  const FeedSnapshot& feed = FeedFor(m, step);
  const StepState s = m.tune.state[static_cast<std::size_t>(step)];
  DrawCard(canvas, r, s == StepState::Failed);
  const Rect in{r.x + 16, r.y + 12, r.width - 32, r.height - 24};
  canvas.Text(ToUtf8(BannerTitle(step)), {in.x, in.y, in.width, 22}, TextStyle::kHeading,
              kCoolWhite);
  canvas.Text(s == StepState::Waiting ? "waiting" : "running", {in.x, in.y, in.width, 22},
              TextStyle::kLabel, kIcy, Align::kTrailing, Align::kCenter);
  canvas.Text(ToUtf8(feed.detail), {in.x, in.y + 28, in.width, 40}, TextStyle::kSmall, kIcy);
  DrawProgressBar(canvas, {in.x, in.y + 74, in.width, 6}, CardProgress(feed.fraction, feed.rows),
                  m.seconds);
  // The Measure card shows the measurement's panels where they fit, like its own screen.
  const Rect middle{in.x, in.y + 88, in.width, in.height - 88 - 40};
  if (step == static_cast<int>(StepIndex::Measure) && m.charts != nullptr &&
      middle.width >= kCardPanelsMinWidth && middle.height >= kCardPanelsMinHeight) {
    DrawMeasurePanels(canvas, middle, *m.charts, feed);
  } else {
    DrawLines(canvas, {in.x, in.y + 88, in.width, in.height - 88 - 34}, feed);
  }
  DrawButton(canvas, router, {in.Right() - 100, in.Bottom() - 30, 100, 30}, "Stop",
             kCardStopFirst + step, ButtonKind::kDanger, kControlNeverDefault);
}

void DrawFullTune(Canvas& canvas, Rect c, const StepScreenModel& m, InputRouter& router) {
  enum Kind { kStep, kPrepareCard, kDriverCard, kAfterburnerCard };
  std::vector<std::pair<Kind, int>> cards;
  int measureIndex = -1;
  for (int i = 0; i < kStepCount; ++i) {
    if (!IsBusy(m.tune.state[static_cast<std::size_t>(i)])) continue;
    if (i == static_cast<int>(StepIndex::Measure)) measureIndex = static_cast<int>(cards.size());
    cards.push_back({kStep, i});
  }
  const StepState prep = m.tune.At(StepIndex::Prepare);
  if ((prep == StepState::Failed || prep == StepState::Stopped) && !m.tune.prepareSettled) {
    cards.push_back({kPrepareCard, 0});
  }
  if (FlowWaitsForUser(m.tune.flow) && !IsBusy(m.tune.At(StepIndex::GpuClean))) {
    cards.push_back({kDriverCard, 0});
  }
  if (m.tune.afterburnerOffered && !IsBusy(m.tune.At(StepIndex::Afterburner))) {
    cards.push_back({kAfterburnerCard, 0});
  }
  if (cards.empty()) {
    canvas.Text("Starting the next step…", c, TextStyle::kLead, kIcy);
    return;
  }
  const std::vector<Rect> rects = LayoutCards(c, static_cast<int>(cards.size()), measureIndex);
  for (std::size_t k = 0; k < cards.size(); ++k) {
    const Rect& r = rects[k];
    const Rect in{r.x + 16, r.y + 12, r.width - 32, r.height - 24};
    switch (cards[k].first) {
      case kStep:
        DrawStepCard(canvas, r, m, router, cards[k].second);
        break;
      case kPrepareCard:
        DrawCard(canvas, r, true);
        canvas.Text("The restore point runs first. Nothing else starts until it finishes.",
                    {in.x, in.y, in.width, 60}, TextStyle::kBody, kCoolWhite);
        ButtonRow(canvas, router, {in.x, in.Bottom() - kButtonHeight, in.width, 0},
                  {{"Retry restore point", kPrepareRetry, ButtonKind::kPrimary, 0},
                   {"Continue anyway", kPrepareContinue, ButtonKind::kSecondary, 0}});
        break;
      case kDriverCard:
        DrawCard(canvas, r);
        canvas.Text("GPU CLEAN", {in.x, in.y, in.width, 22}, TextStyle::kHeading, kCoolWhite);
        DrawDriverDecision(canvas, {in.x, in.y + 28, in.width, in.height - 28}, m, router, true);
        break;
      case kAfterburnerCard:
        DrawCard(canvas, r);
        canvas.Text("AFTERBURNER", {in.x, in.y, in.width, 22}, TextStyle::kHeading, kCoolWhite);
        Paragraph(canvas, {in.x, in.y + 28, in.width, 0},
                  "Afterburner downloads, scans the GPU, applies the curve, and saves it for the "
                  "next startup. This takes about 30 minutes.",
                  80);
        ButtonRow(canvas, router, {in.x, in.Bottom() - kButtonHeight, in.width, 0},
                  {{"Start Afterburner", kAfterburnerStart, ButtonKind::kPrimary, 0},
                   {"Not now", kAfterburnerDecline, ButtonKind::kSecondary, 0}});
        break;
    }
  }
}

}  // namespace

int StepOfStage(Stage stage) {
  const auto s = static_cast<int>(stage);
  if (s >= 1 && s <= 4) return 0;
  if (s >= 5 && s <= 8) return 1;
  if (s >= 9 && s <= 11) return 2;
  if (s >= 12 && s <= 15) return 3;
  if (s == 16) return 4;
  if (s >= 17 && s <= 20) return 5;
  if (s >= 21 && s <= 24) return 6;
  if (s >= 25 && s <= 28) return 7;
  if (s >= 29 && s <= 32) return 8;
  return -1;
}

PageHeading PageHeadingOf(Stage stage) {
  const int step = StepOfStage(stage);
  if (step >= 0) return {kStepNames[static_cast<std::size_t>(step)], Subtitle(step)};
  switch (stage) {
    case Stage::Review:
      return {"Review", "BIOS, then restart"};
    case Stage::Health:
      return {"Health", "live settings"};
    case Stage::Home:
      return {"Home", "functions and live tweaks"};
    case Stage::FullTune:
      return {"Full tune", "selected steps, together"};
    default:
      return {"Welcome", "Thank you for using Veltrane"};
  }
}

void DrawStepScreen(Canvas& canvas, Rect content, const StepScreenModel& m, InputRouter& router) {
  const int step = StepOfStage(m.stage);
  switch (m.stage) {
    case Stage::Welcome:
      return DrawWelcome(canvas, content, m, router);
    case Stage::Review:
      return DrawReview(canvas, content, m, router);
    case Stage::Home:
      return;  // the window draws Home with what it keeps of the machine
    case Stage::FullTune:
      return DrawFullTune(canvas, content, m, router);
    case Stage::GpuClean:
      return DrawDriverDecision(
          canvas,
          {content.x, content.y, std::min(content.width, 900.0f), std::min(content.height, 420.0f)},
          m, router, true);
    case Stage::MeasureRunning:
      return DrawMeasureRunning(canvas, content, m, router);
    case Stage::MeasureFailed:
    case Stage::MeasureStopped:
      return DrawMeasureFailed(canvas, content, m, router);
    case Stage::MeasureDone:
    case Stage::HoldRunning:
    case Stage::HoldDone:
    case Stage::HoldFailed:
      return DrawResult(canvas, content, m, router);
    case Stage::PrepareConfirm:
    case Stage::CpuConfirm:
    case Stage::GpuConfirm:
    case Stage::AfterburnerConfirm:
    case Stage::MemoryConfirm:
    case Stage::StorageConfirm:
      return DrawConfirm(canvas, content, m, router);
    case Stage::PrepareFailed:
    case Stage::CpuFailed:
    case Stage::GpuFailed:
    case Stage::AfterburnerFailed:
    case Stage::MemoryFailed:
    case Stage::StorageFailed:
      return DrawFailure(canvas, content, m, router, step);
    default:
      if (step >= 0) return DrawTweakProgress(canvas, content, m, router, step);
      return;
  }
}

}  // namespace gui::screens
