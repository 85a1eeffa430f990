#include "gui/steps.h"

#include <array>

namespace gui {
namespace {

constexpr std::array<StepInfo, kStepCount> kSteps{{
    {L"prepare", L"Restore point", L"PREPARE", L"Backup / restore point", kDisk},
    {L"measure", L"Measure", L"MEASURE", L"Find this PC's fastest Sleep(1)", kClock},
    {L"hold", L"Timer service", L"INSTALLING", L"Install the boot service", kClock},
    {L"cpu", L"CPU power", L"CPU TUNE", L"Ultimate Performance and PPM", kPowerPlan},
    {L"gpuclean", L"GPU driver", L"GPU CLEAN", L"Latest driver, graphics only",
     kDisk | kGraphicsDriver},
    {L"gpu", L"GPU settings", L"GPU CONFIG", L"Power, latency, overlays", kGraphicsDriver},
    {L"afterburner", L"Afterburner", L"AFTERBURNER", L"download and scan, ~30 min",
     kGraphicsDriver},
    {L"memory", L"Memory", L"MEMORY", L"Pagefile and compression", kDisk},
    {L"storage", L"Storage", L"STORAGE", L"SSD, PCIe, USB, TRIM", kPowerPlan},
}};

struct Completion {
  Stage running, finished, failed, stopped;
};

constexpr std::array<Completion, 8> kCompletions{{
    {Stage::PrepareRunning, Stage::PrepareDone, Stage::PrepareFailed, Stage::PrepareFailed},
    {Stage::MeasureRunning, Stage::MeasureDone, Stage::MeasureFailed, Stage::MeasureStopped},
    {Stage::HoldRunning, Stage::HoldDone, Stage::HoldFailed, Stage::HoldFailed},
    {Stage::CpuRunning, Stage::CpuDone, Stage::CpuFailed, Stage::CpuFailed},
    {Stage::GpuRunning, Stage::GpuDone, Stage::GpuFailed, Stage::GpuFailed},
    {Stage::AfterburnerRunning, Stage::AfterburnerDone, Stage::AfterburnerFailed,
     Stage::AfterburnerFailed},
    {Stage::MemoryRunning, Stage::MemoryDone, Stage::MemoryFailed, Stage::MemoryFailed},
    {Stage::StorageRunning, Stage::StorageDone, Stage::StorageFailed, Stage::StorageFailed},
}};

// Running screens by step index; GPU Clean's flow lives on one screen.
constexpr std::array<int, kStepCount> kRunning{2, 5, 9, 13, -1, 18, 22, 26, 30};

}  // namespace

const StepInfo& Step(int index) { return kSteps[static_cast<std::size_t>(index)]; }

const wchar_t* BannerTitle(int index) {
  return index >= 0 && index < kStepCount ? Step(index).banner : L"VELTRANE";
}

int PageOf(Stage stage) {
  const auto s = static_cast<std::uint32_t>(stage);
  if (s == 0) return 0;
  constexpr std::array<std::uint32_t, 8> kPageStarts{1, 5, 12, 16, 17, 21, 25, 29};
  if (s <= 32) {
    int page = 0;
    for (std::uint32_t start : kPageStarts) {
      if (s >= start) ++page;
    }
    return page;
  }
  switch (stage) {
    case Stage::Review:
      return 9;
    case Stage::Home:
      return 10;
    case Stage::Health:
      return 11;
    default:
      return 12;
  }
}

int RunningStage(int step) {
  return step >= 0 && step < kStepCount ? kRunning[static_cast<std::size_t>(step)] : -1;
}

Stage CompletionStage(Stage shown, StepState ended) {
  if (!IsEnded(ended)) return shown;
  for (const Completion& c : kCompletions) {
    if (c.running != shown) continue;
    if (ended == StepState::Finished) return c.finished;
    return ended == StepState::Failed ? c.failed : c.stopped;
  }
  return shown;
}

float CelebrationAfter(int step, Stage was, Stage now, StepState ended, float current) {
  if (now == Stage::MeasureRunning) return 0.0f;
  const bool celebrates =
      step == static_cast<int>(StepIndex::Measure) || step == static_cast<int>(StepIndex::Hold);
  const bool watched = static_cast<int>(was) == RunningStage(step) &&
                       ended == StepState::Finished && now == CompletionStage(was, ended);
  return celebrates && watched ? kCelebrationStart : current;
}

}  // namespace gui
