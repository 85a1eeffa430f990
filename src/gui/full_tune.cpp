#include "gui/full_tune.h"

#include <algorithm>
#include <cwchar>

namespace gui {
namespace {

bool Ended(StepState s) { return IsEnded(s); }

bool PrepareBlocks(const TuneView& v) {
  return v.Selected(StepIndex::Prepare) && !v.prepareSettled &&
         v.At(StepIndex::Prepare) != StepState::Finished;
}

bool GpuCleanPending(const TuneView& v) {
  return v.Selected(StepIndex::GpuClean) && !v.gpuCleanSettled;
}

}  // namespace

TickAction NextFullTuneStart(const TuneView& v) {
  using S = StepIndex;
  const bool installing = v.flow == GpuFlow::Installing;
  if (PrepareBlocks(v)) {
    const bool free = !IsBusy(v.At(S::Memory)) && !installing;
    if (v.At(S::Prepare) == StepState::Idle && free) return {static_cast<int>(S::Prepare)};
    return {};  // the restore point runs first
  }
  if (v.Selected(S::Measure)) {
    if (v.At(S::Measure) == StepState::Idle && !IsBusy(v.At(S::Hold))) {
      return {static_cast<int>(S::Measure)};
    }
    if (IsBusy(v.At(S::Measure))) return {};
  }
  if (v.Selected(S::Cpu) && v.At(S::Cpu) == StepState::Idle && !IsBusy(v.At(S::Storage))) {
    return {static_cast<int>(S::Cpu)};
  }
  if (v.Selected(S::Memory) && v.At(S::Memory) == StepState::Idle && !IsBusy(v.At(S::Prepare)) &&
      !installing) {
    return {static_cast<int>(S::Memory)};
  }
  if (v.Selected(S::Storage) && v.At(S::Storage) == StepState::Idle &&
      (!v.Selected(S::Cpu) || Ended(v.At(S::Cpu)))) {
    return {static_cast<int>(S::Storage)};
  }
  if (v.Selected(S::Hold) && v.At(S::Hold) == StepState::Idle && !IsBusy(v.At(S::Measure)) &&
      (!v.Selected(S::Measure) || v.At(S::Measure) == StepState::Finished) && v.resolutionKnown) {
    return {static_cast<int>(S::Hold)};
  }
  if (GpuCleanPending(v) && v.flow == GpuFlow::Idle && !IsBusy(v.At(S::GpuClean))) {
    return {static_cast<int>(S::GpuClean), true};
  }
  if (v.Selected(S::Gpu) && v.At(S::Gpu) == StepState::Idle &&
      (!GpuCleanPending(v) || v.flow == GpuFlow::Installed) && !IsBusy(v.At(S::Afterburner)) &&
      !installing) {
    return {static_cast<int>(S::Gpu)};
  }
  return {};
}

bool ShouldOfferAfterburner(const TuneView& v, int active, int capacity) {
  using S = StepIndex;
  const bool gpuRanOrOff = !v.Selected(S::Gpu) || v.At(S::Gpu) != StepState::Idle;
  return v.Selected(S::Afterburner) && !v.afterburnerSettled && !v.afterburnerOffered &&
         v.At(S::Afterburner) == StepState::Idle && !PrepareBlocks(v) &&
         !IsBusy(v.At(S::Measure)) && (!GpuCleanPending(v) || v.flow == GpuFlow::Installed) &&
         !IsBusy(v.At(S::Gpu)) && v.flow != GpuFlow::Installing && gpuRanOrOff && active < capacity;
}

bool ShouldAutoHold(const TuneView& v, bool fullTuneActive) {
  using S = StepIndex;
  const StepState m = v.At(S::Measure);
  return !fullTuneActive && v.Selected(S::Hold) && v.At(S::Hold) == StepState::Idle && !IsBusy(m) &&
         (!v.Selected(S::Measure) || m == StepState::Finished) && v.resolutionKnown;
}

HistoryLine HistoryLineFor(int step, std::uint32_t heldValue) {
  switch (static_cast<StepIndex>(step)) {
    case StepIndex::Prepare:
      return {L"Restore point", L"Pre-tune restore point created"};
    case StepIndex::Hold: {
      if (heldValue == 0) return {L"Timer hold", L"Boot service installed"};
      wchar_t text[64];
      std::swprintf(text, 64, L"Boot service holding %.4f ms", heldValue / 10000.0);
      return {L"Timer hold", text};
    }
    case StepIndex::Cpu:
      return {L"CPU", L"Processor power settings applied"};
    case StepIndex::GpuClean:
      return {L"GPU driver", L"Display driver step finished"};
    case StepIndex::Gpu:
      return {L"GPU settings", L"Scheduling, capture, and the vendor profile applied"};
    case StepIndex::Afterburner:
      return {L"Afterburner", L"Scanned curve saved as profile 1 and applied at sign-in"};
    case StepIndex::Memory:
      return {L"Memory", L"Page file and memory compression applied"};
    case StepIndex::Storage:
      return {L"Storage", L"ASPM, USB suspend, TRIM, and SysMain applied"};
    default:
      return {};
  }
}

int ActiveCount(const TuneView& v) {
  int n = 0;
  for (StepState s : v.state) n += IsBusy(s) ? 1 : 0;
  const StepState prep = v.At(StepIndex::Prepare);
  if ((prep == StepState::Failed || prep == StepState::Stopped) && !v.prepareSettled) ++n;
  if (FlowWaitsForUser(v.flow) && !IsBusy(v.At(StepIndex::GpuClean))) ++n;
  if (v.afterburnerOffered && !IsBusy(v.At(StepIndex::Afterburner))) ++n;
  return n;
}

bool FullTuneDone(const TuneView& v) {
  using S = StepIndex;
  if (v.afterburnerOffered || FlowWaitsForUser(v.flow)) return false;
  for (int i = 0; i < kStepCount; ++i) {
    if (!v.selected[static_cast<std::size_t>(i)]) continue;
    const StepState s = v.state[static_cast<std::size_t>(i)];
    bool done = Ended(s);  // a busy slot is never done
    switch (static_cast<S>(i)) {
      case S::Prepare:
        done = s == StepState::Finished || (v.prepareSettled && !IsBusy(s));
        break;
      case S::GpuClean:
        done = !IsBusy(s) && (v.gpuCleanSettled || v.flow == GpuFlow::Installed || Ended(s));
        break;
      case S::Afterburner:
        done = !IsBusy(s) && (v.afterburnerSettled || Ended(s));
        break;
      case S::Hold: {
        const StepState m = v.At(S::Measure);
        const bool measureLost =
            v.Selected(S::Measure) && (m == StepState::Failed || m == StepState::Stopped);
        const bool nothingToHold = s == StepState::Idle && !v.resolutionKnown;
        done = !IsBusy(s) && (Ended(s) || measureLost || nothingToHold);
        break;
      }
      default:
        break;
    }
    if (!done) return false;
  }
  return true;
}

int CardCapacity(int clientWidth, int clientHeight) {
  const int width = clientWidth - 32;
  const int height = clientHeight - 54 - 122;
  const int columns = std::clamp((width + 12) / 312, 1, 4);
  const int rows = std::clamp((height + 12) / 208, 1, 3);
  return columns * rows;
}

std::wstring StatusLine(const TuneView& v) {
  std::wstring groups[3];
  auto add = [](std::wstring& group, const wchar_t* name) {
    if (!group.empty()) group += L", ";
    group += name;
  };
  for (int i = 0; i < kStepCount; ++i) {
    const StepState s = v.state[static_cast<std::size_t>(i)];
    const wchar_t* name = Step(i).statusName;
    if (s == StepState::Running) add(groups[0], name);
    if (s == StepState::Waiting) add(groups[1], name);
    if (s == StepState::Failed || s == StepState::Stopped) add(groups[2], name);
  }
  if (v.flow == GpuFlow::OfferReady || v.flow == GpuFlow::Downloaded) {
    add(groups[1], L"GPU driver choice");
  }
  const wchar_t* labels[3] = {L"Running: ", L"Waiting: ", L"Stopped: "};
  std::wstring line;
  for (int g = 0; g < 3; ++g) {
    if (groups[g].empty()) continue;
    if (!line.empty()) line += L"    ";
    line += labels[g] + groups[g];
  }
  return line;
}

double CardProgress(double fraction, const std::vector<TweakRow>& rows) {
  if (fraction > 0.001) return std::min(fraction, 1.0);
  if (rows.empty()) return -1;
  double done = 0;
  for (const TweakRow& r : rows) {
    if (r.state == 2 || r.state == 3) done += 1;
    if (r.state == 1) done += 0.35;
  }
  return done / static_cast<double>(rows.size());
}

}  // namespace gui
