// The OC scan as a pure state machine: given what one poll of the scanner window showed
// and the time, it says what to do next. RunOcScan does the looking and the doing, so
// the rules (when to press Scan, when a scan counts as running, finished or stuck) are
// tested on their own against the clock.
#pragma once

#include <cstdint>
#include <string>

// One poll of the scanner window.
struct ScanObservation {
  bool windowFound = false;
  bool buttonEnabled = false;
  std::wstring buttonText;
  std::wstring log;
  bool cancelled = false;
};

enum class ScanOutcome {
  kPending,
  kCurve,         // the scan succeeded and exported its curve
  kNoCurve,       // the scan failed, or stopped without a verdict
  kNoWindow,      // the scanner window never appeared
  kNotStarted,    // the window appeared, but the scan never started
  kStillRunning,  // no verdict after 45 minutes
  kStopped,       // the user cancelled
  kWrongCard,     // the scanner listed only integrated graphics (never from the machine)
};

struct ScanActions {
  bool pressScan = false;
  bool announceRunning = false;  // the scan was just seen running
  double progress = -1;          // the step's progress (0.3 to 0.95) while scanning, else -1
  double elapsedSeconds = 0;     // since the scan was seen running
  ScanOutcome outcome = ScanOutcome::kPending;
  std::uint32_t nextPollMs = 300;
};

class ScanMachine {
 public:
  static constexpr std::uint64_t kStartLimitMs = 30000;
  static constexpr std::uint64_t kConnectGraceMs = 4000;
  static constexpr std::uint64_t kRepressGapMs = 4000;
  static constexpr int kMaxPresses = 3;
  static constexpr std::uint64_t kIdleButtonMs = 8000;
  static constexpr std::uint64_t kExportWaitMs = 15000;
  static constexpr std::uint64_t kNominalScanMs = 1800000;
  static constexpr std::uint64_t kScanLimitMs = 2700000;

  // `startMs`: when the scanner was started.
  explicit ScanMachine(std::uint64_t startMs);
  ScanActions Step(const ScanObservation& seen, std::uint64_t nowMs);
  int presses() const { return presses_; }

 private:
  enum class Phase { kStarting, kScanning, kConfirming, kDone };
  ScanActions Starting(const ScanObservation& seen, std::uint64_t nowMs);
  ScanActions Scanning(const ScanObservation& seen, std::uint64_t nowMs);
  ScanActions Confirming(const ScanObservation& seen, std::uint64_t nowMs);
  ScanActions Finish(ScanOutcome outcome);

  Phase phase_ = Phase::kStarting;
  std::uint64_t start_ms_;
  std::uint64_t scan_start_ms_ = 0;
  std::uint64_t verdict_ms_ = 0;
  std::uint64_t last_press_ms_ = 0;
  int presses_ = 0;
  bool window_seen_ = false;
};
