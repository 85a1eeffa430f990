#include "gui/guided_sequence.h"

#include "tweaks/cpu_probe.h"

namespace gui {
namespace {

struct Screens {
  Stage confirm, running;
};

// Measure and Hold have no confirm screen; GPU Clean has one screen for its whole flow.
constexpr std::array<Screens, kStepCount> kScreens{{
    {Stage::PrepareConfirm, Stage::PrepareRunning},
    {Stage::MeasureRunning, Stage::MeasureRunning},
    {Stage::HoldRunning, Stage::HoldRunning},
    {Stage::CpuConfirm, Stage::CpuRunning},
    {Stage::GpuClean, Stage::GpuClean},
    {Stage::GpuConfirm, Stage::GpuRunning},
    {Stage::AfterburnerConfirm, Stage::AfterburnerRunning},
    {Stage::MemoryConfirm, Stage::MemoryRunning},
    {Stage::StorageConfirm, Stage::StorageRunning},
}};

}  // namespace

GuidedEntry GuidedNext(int from, const GuidedContext& context) {
  for (int i = from < 0 ? 0 : from; i < kStepCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (!context.selected[at] || !context.hasWork[at]) continue;
    if (context.yes && i == static_cast<int>(StepIndex::Cpu) && !context.cpuRuns) continue;
    // Unattended, the driver step is passed over: it would stop at its offer for an answer.
    if (context.yes && i == static_cast<int>(StepIndex::GpuClean)) continue;
    const Screens& s = kScreens[at];
    const bool noConfirm = s.confirm == s.running;
    return {i, context.yes ? s.running : s.confirm, context.yes || noConfirm};
  }
  return {};
}

Header ConfirmHeader(Stage confirm, std::uint32_t cpuClass, const std::wstring& gpuSummary) {
  switch (confirm) {
    case Stage::PrepareConfirm:
      return {L"PREPARE", L"create a System Restore point"};
    case Stage::CpuConfirm:
      if (cpuClass == kCpuLocked) {
        return {L"CPU TUNE", L"static frequency detected. PPM checks are just noise"};
      }
      if (cpuClass == kCpuDynamic) {
        return {L"CPU TUNE", L"dynamic boost detected. A 5000 ms interval would delay turbo"};
      }
      return {L"CPU TUNE", L"could not classify the multiplier"};
    case Stage::GpuClean:
      return {L"GPU CLEAN", L"looking up the current driver"};
    case Stage::GpuConfirm:
      return {L"GPU CONFIG",
              gpuSummary.empty() ? L"driver / Windows graphics settings" : gpuSummary};
    case Stage::AfterburnerConfirm:
      return {L"AFTERBURNER", L"download and scan, about 30 minutes"};
    case Stage::MemoryConfirm:
      return {L"MEMORY", L"pagefile and memory compression"};
    case Stage::StorageConfirm:
      return {L"STORAGE", L"SSD, PCIe, USB, TRIM"};
    default:
      return {L"REVIEW", L"set BIOS, then restart"};
  }
}

HoldChoice ChooseHoldValue(const HoldInputs& in) {
  // A period the user named on the command line is theirs to keep.
  if (in.optionResolution != 0 && !in.optionMeasured) return {in.optionResolution, true};
  if (in.explicitValue && in.pinnedFlag) return {in.value, true};
  return {in.aggregate != 0 ? in.aggregate : in.value, false};
}

}  // namespace gui
