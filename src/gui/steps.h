// The nine tuning steps the window runs, the screens it moves between, and the pure rules
// that map a step's end onto the next screen. No threads here: the runner and the window
// both decide through these.
#pragma once

#include <array>
#include <cstdint>

namespace gui {

inline constexpr int kStepCount = 9;

enum class StepIndex : int {
  Prepare = 0,
  Measure = 1,
  Hold = 2,
  Cpu = 3,
  GpuClean = 4,
  Gpu = 5,
  Afterburner = 6,
  Memory = 7,
  Storage = 8,
};

// Exchanged atomically between a worker and the window; Waiting and Running are "busy".
enum class StepState : std::uint32_t {
  Idle = 0,
  Waiting = 1,
  Running = 2,
  Finished = 3,
  Failed = 4,
  Stopped = 5,
};

constexpr bool IsBusy(StepState s) { return s == StepState::Waiting || s == StepState::Running; }
constexpr bool IsEnded(StepState s) {
  return s == StepState::Finished || s == StepState::Failed || s == StepState::Stopped;
}

// Machine resources two steps must not write at once.
enum Resource : std::uint32_t {
  kNoResource = 0,
  kClock = 1u << 0,
  kPowerPlan = 1u << 1,
  kGraphicsDriver = 1u << 2,
  kDisk = 1u << 3,
};

struct StepInfo {
  const wchar_t* id;          // selection is saved as L"Want_" + id
  const wchar_t* statusName;  // status line
  const wchar_t* banner;      // banner title
  const wchar_t* subtitle;    // the page's line beside its name
  std::uint32_t resources;    // GPU Clean locks its two only for the install phase
};

// Indexed by StepIndex.
const StepInfo& Step(int index);
// The steps' names on the selection screen and in the settings, in step order.
inline constexpr std::array<const char*, kStepCount> kStepNames{
    "Prepare",    "Measure",     "Hold",   "CPU Tune", "GPU Clean",
    "GPU Config", "Afterburner", "Memory", "Storage"};
// The banner title of `index`, "VELTRANE" for any index outside the table.
const wchar_t* BannerTitle(int index);

// The screen the window draws.
enum class Stage : std::uint32_t {
  Welcome = 0,
  PrepareConfirm = 1,
  PrepareRunning = 2,
  PrepareDone = 3,
  PrepareFailed = 4,
  MeasureRunning = 5,
  MeasureDone = 6,
  MeasureFailed = 7,
  MeasureStopped = 8,
  HoldRunning = 9,
  HoldDone = 10,
  HoldFailed = 11,
  CpuConfirm = 12,
  CpuRunning = 13,
  CpuDone = 14,
  CpuFailed = 15,
  GpuClean = 16,
  GpuConfirm = 17,
  GpuRunning = 18,
  GpuDone = 19,
  GpuFailed = 20,
  AfterburnerConfirm = 21,
  AfterburnerRunning = 22,
  AfterburnerDone = 23,
  AfterburnerFailed = 24,
  MemoryConfirm = 25,
  MemoryRunning = 26,
  MemoryDone = 27,
  MemoryFailed = 28,
  StorageConfirm = 29,
  StorageRunning = 30,
  StorageDone = 31,
  StorageFailed = 32,
  Review = 33,
  Health = 34,
  Home = 35,
  FullTune = 36,
};

// The slide-animation page of a screen (0..12).
int PageOf(Stage stage);

// The running screen of a step, or -1 for GPU Clean, which has one screen for its flow.
int RunningStage(int step);

// Where the window moves when the slot of the step whose running screen is `shown` ends
// in `ended`. Returns `shown` unchanged when `shown` is not a running screen or `ended`
// is not an end state: completion never moves on Waiting.
Stage CompletionStage(Stage shown, StepState ended);

// The celebration value of Measure or Hold (`step`) after the window moved from `was` to
// `now`: a tiny positive value, so the animation begins to grow, when the step finished
// while its running screen was shown and the window moved to its done screen; 0 when a new
// measurement starts; otherwise `current` unchanged.
inline constexpr float kCelebrationStart = 0.0001f;
float CelebrationAfter(int step, Stage was, Stage now, StepState ended, float current);

}  // namespace gui
