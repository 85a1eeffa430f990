// The full tune's decisions over one snapshot of the scheduler: which step the tick starts
// next, whether the tune is done, how many cards fit and what the status line reads. Pure,
// so the window thread and the tests ask the same questions of the same values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gui/steps.h"
#include "tweaks/tweak_row.h"

namespace gui {

enum class GpuFlow : std::uint32_t {
  Idle = 0,
  LookingUp = 1,
  OfferReady = 2,
  Downloading = 3,
  Downloaded = 4,
  Installing = 5,
  Installed = 6,
  Failed = 7,
  NoPackage = 8,
};

constexpr bool FlowInProgress(GpuFlow f) {
  return f == GpuFlow::LookingUp || f == GpuFlow::Downloading || f == GpuFlow::Installing;
}
constexpr bool FlowWaitsForUser(GpuFlow f) {
  return f == GpuFlow::OfferReady || f == GpuFlow::Downloaded || f == GpuFlow::Failed ||
         f == GpuFlow::NoPackage;
}

struct TuneView {
  std::array<StepState, kStepCount> state{};
  std::array<bool, kStepCount> selected{};
  GpuFlow flow = GpuFlow::Idle;
  bool prepareSettled = false;
  bool gpuCleanSettled = false;
  bool afterburnerSettled = false;
  bool afterburnerOffered = false;
  bool resolutionKnown = false;  // a result value or --resolution

  StepState At(StepIndex i) const { return state[static_cast<std::size_t>(i)]; }
  bool Selected(StepIndex i) const { return selected[static_cast<std::size_t>(i)]; }
};

// What one full-tune tick does: start a step, begin the driver lookup, or nothing.
struct TickAction {
  int start = -1;          // step index to start, -1 for none
  bool gpuLookup = false;  // BeginGpuLookup instead of a plain start
};
TickAction NextFullTuneStart(const TuneView& v);

// Whether the Afterburner card should be offered now (`active` is ActiveCount).
bool ShouldOfferAfterburner(const TuneView& v, int active, int capacity);

// The poll's automatic Hold. Never during a full tune: there the tick starts Hold, after
// the restore point, which an automatic start would otherwise overtake.
bool ShouldAutoHold(const TuneView& v, bool fullTuneActive);

// The tune-history line of a step that ended Finished; empty area for none (Measure).
struct HistoryLine {
  std::wstring area, message;
};
HistoryLine HistoryLineFor(int step, std::uint32_t heldValue);

int ActiveCount(const TuneView& v);
bool FullTuneDone(const TuneView& v);

// Cards that fit the content area of a client rectangle of this size.
int CardCapacity(int clientWidth, int clientHeight);

// "Running: ...    Waiting: ...    Stopped: ...", groups left out when empty.
std::wstring StatusLine(const TuneView& v);

// A card's progress in 0..1, or a negative value for indeterminate.
double CardProgress(double fraction, const std::vector<TweakRow>& rows);

}  // namespace gui
