// Decisions the step screens make before acting, kept apart from drawing so each has one
// place and one test: when the restart may go ahead, when the CPU warning shows, and which
// failure texts are true of the machine.
#pragma once

#include <cstdint>
#include <string>

namespace gui {

// Null when the restart may go ahead, else the sentence that says why not.
const wchar_t* RestartRefusal(bool stepRunning, bool driverBusy);
inline constexpr const wchar_t* kRestartUnsavedWarning =
    L"Programs still open will be closed without saving their work.";

// The selection screen shows the CPU warning beside CPU Tune whenever CPU Tune is selected
// on a processor that boosts on its own, since a full tune starts it without its confirm
// screen.
bool ShowCpuWarningOnSelection(std::uint32_t cpuClass, bool cpuTuneSelected);

// The heading of a step that ended without success: a Stop by the user is not a failure.
const wchar_t* StepEndHeading(bool stoppedByUser);

// The CPU Tune (stage 15) or GPU Config (stage 20) failure message and its follow-up line;
// the timer service is named as still held only when it is.
struct FailureTexts {
  std::wstring message, followUp;
};
FailureTexts TweakFailureTexts(bool gpuStep, bool serviceHolding);

}  // namespace gui
