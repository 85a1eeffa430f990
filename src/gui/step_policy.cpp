#include "gui/step_policy.h"

#include "tweaks/cpu_probe.h"

namespace gui {

const wchar_t* RestartRefusal(bool stepRunning, bool driverBusy) {
  // A restart in the middle of a driver install or a registry step leaves it half done.
  if (driverBusy)
    return L"The driver download or install is still running. Restart when it has finished.";
  if (stepRunning) return L"A step is still running. Restart when it has finished.";
  return nullptr;
}

bool ShowCpuWarningOnSelection(std::uint32_t cpuClass, bool cpuTuneSelected) {
  return cpuTuneSelected && cpuClass == kCpuDynamic;
}

const wchar_t* StepEndHeading(bool stoppedByUser) {
  return stoppedByUser ? L"This step was stopped" : L"This step failed";
}

FailureTexts TweakFailureTexts(bool gpuStep, bool serviceHolding) {
  const std::wstring what = gpuStep ? L"GPU" : L"PPM";
  const std::wstring writes = gpuStep ? L"GPU writes" : L"power-plan writes";
  FailureTexts texts;
  texts.message = what + L" apply failed - see the log.";
  texts.followUp = L"Retry the " + writes + L", or skip to the next step.";
  if (serviceHolding) {
    texts.message += L" Timer resolution is still installed.";
    texts.followUp = L"Timer resolution is still held. " + texts.followUp;
  }
  return texts;
}

}  // namespace gui
