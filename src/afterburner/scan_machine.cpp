#include "afterburner/scan_machine.h"

#include <algorithm>

#include "afterburner/scan_log.h"

namespace {

constexpr std::uint32_t kPollMs = 300;
constexpr std::uint32_t kExportPollMs = 500;

bool ReadsScan(const ScanObservation& seen) {
  return seen.windowFound && seen.buttonText == L"Scan";
}

}  // namespace

ScanMachine::ScanMachine(std::uint64_t startMs) : start_ms_(startMs) {}

ScanActions ScanMachine::Step(const ScanObservation& seen, std::uint64_t nowMs) {
  if (phase_ == Phase::kDone) return Finish(ScanOutcome::kPending);
  if (seen.cancelled) return Finish(ScanOutcome::kStopped);
  switch (phase_) {
    case Phase::kStarting:
      return Starting(seen, nowMs);
    case Phase::kScanning:
      return Scanning(seen, nowMs);
    default:
      return Confirming(seen, nowMs);
  }
}

ScanActions ScanMachine::Starting(const ScanObservation& seen, std::uint64_t nowMs) {
  window_seen_ = window_seen_ || seen.windowFound;
  // The scan runs once the button offers to stop it or the log says it started.
  if (seen.windowFound && (seen.buttonText == L"Stop" || HasRunningMarker(seen.log))) {
    phase_ = Phase::kScanning;
    scan_start_ms_ = nowMs;
    ScanActions actions = Scanning(seen, nowMs);
    actions.announceRunning = actions.outcome == ScanOutcome::kPending;
    return actions;
  }
  ScanActions actions;
  // Press only a ready button, once the scanner reached Afterburner (or had time to),
  // and again only after a refusal, a few seconds apart.
  const bool ready = ReadsScan(seen) && seen.buttonEnabled &&
                     (HasConnectedMarker(seen.log) || nowMs - start_ms_ >= kConnectGraceMs);
  const bool may_press =
      presses_ == 0 || (HasFailedToStartMarker(seen.log) && presses_ < kMaxPresses &&
                        nowMs - last_press_ms_ > kRepressGapMs);
  if (ready && may_press) {
    actions.pressScan = true;
    ++presses_;
    last_press_ms_ = nowMs;
  }
  if (nowMs - start_ms_ >= kStartLimitMs) {
    return Finish(window_seen_ ? ScanOutcome::kNotStarted : ScanOutcome::kNoWindow);
  }
  return actions;
}

ScanActions ScanMachine::Scanning(const ScanObservation& seen, std::uint64_t nowMs) {
  const std::uint64_t elapsed = nowMs - scan_start_ms_;
  const int verdict = ScanStatus(seen.log);
  if (verdict < 0) return Finish(ScanOutcome::kNoCurve);
  if (verdict > 0) {
    phase_ = Phase::kConfirming;
    verdict_ms_ = nowMs;
    return Confirming(seen, nowMs);
  }
  // Back at "Scan" well into the scan, with nothing in the log saying it ran: it stopped.
  if (ReadsScan(seen) && elapsed > kIdleButtonMs && !HasRunningMarker(seen.log)) {
    return Finish(ScanOutcome::kNoCurve);
  }
  if (elapsed >= kScanLimitMs) return Finish(ScanOutcome::kStillRunning);
  const double points = ScanProgress(seen.log);
  const double fraction =
      std::min(1.0, points >= 0 ? points : static_cast<double>(elapsed) / kNominalScanMs);
  ScanActions actions;
  actions.progress = 0.3 + 0.65 * fraction;
  actions.elapsedSeconds = static_cast<double>(elapsed) / 1000.0;
  actions.nextPollMs = kPollMs;
  return actions;
}

ScanActions ScanMachine::Confirming(const ScanObservation& seen, std::uint64_t nowMs) {
  // The verdict stands; the export line only tells that the curve reached Afterburner.
  if (HasExportedMarker(seen.log) || nowMs - verdict_ms_ >= kExportWaitMs) {
    return Finish(ScanOutcome::kCurve);
  }
  ScanActions actions;
  actions.nextPollMs = kExportPollMs;
  return actions;
}

ScanActions ScanMachine::Finish(ScanOutcome outcome) {
  if (outcome != ScanOutcome::kPending) phase_ = Phase::kDone;
  ScanActions actions;
  actions.outcome = outcome;
  actions.nextPollMs = 0;
  return actions;
}
