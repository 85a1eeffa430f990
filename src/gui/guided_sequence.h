// The guided order of the steps: which step the window enters next after a step ends or
// the user continues or skips, and what it shows there. Also the value a Hold installs.
// Pure, so the chain, the step screens and the tests ask the same rules.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "gui/steps.h"

namespace gui {

struct GuidedContext {
  std::array<bool, kStepCount> selected{};
  std::array<bool, kStepCount> hasWork{};  // the step's callback exists
  bool yes = false;                        // --yes: start at once, no confirm screens
  bool cpuRuns = false;                    // --ppm, or the probe found a locked clock
};

struct GuidedEntry {
  int step = -1;  // -1: nothing left, the stage is Review
  Stage stage = Stage::Review;
  bool start = false;  // start the step now (otherwise its confirm screen waits)
};

// The first eligible step at or after `from`.
GuidedEntry GuidedNext(int from, const GuidedContext& context);

// The header of a confirm screen; CPU Tune's tells the probe's classification and GPU
// Config's the probe's summary.
struct Header {
  std::wstring title, detail;
};
Header ConfirmHeader(Stage confirm, std::uint32_t cpuClass, const std::wstring& gpuSummary);

// What a Hold installs. `value` is the period passed to it or, when none was, the one the
// last result gives; `explicitValue` says which.
struct HoldChoice {
  std::uint32_t value = 0;  // 0: nothing to hold
  bool pinned = false;
};
struct HoldInputs {
  std::uint32_t value = 0;
  bool explicitValue = false;
  std::uint32_t optionResolution = 0;  // --resolution
  bool optionMeasured = false;         // --measured
  bool pinnedFlag = false;             // ResolutionPinned
  std::uint32_t aggregate = 0;         // lowest aggregate score, 0 when none
};
HoldChoice ChooseHoldValue(const HoldInputs& in);

}  // namespace gui
