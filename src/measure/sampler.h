// The instrument: for one candidate period, ask the kernel for it, check that the
// kernel really runs at it, time Sleep(1) with the performance counter, give it back.
// A request lives only inside one MeasureCandidate call; every exit releases it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure/candidate.h"
#include "platform/kernel_timer.h"

// NtQueryTimerResolution; false when it fails.
bool QueryTimerRange(platform::TimerRange& range);

// Appends up to `loopCount` back-to-back and `idleCount` idle-gap samples. A sample that
// ends with the kernel at another period is dropped and counted, never stored.
MeasureOutcome MeasureCandidate(Candidate& candidate, std::uint32_t loopCount,
                                std::uint32_t idleCount);

struct Baseline {
  std::vector<double> samples;
  SampleStats stats;
  bool cancelled = false;  // the feed asked to stop; samples and stats are partial
};
// Sleep(1) with no request of this process: the untuned reference taken before a sweep.
Baseline TakeBaseline();

// Raises the process to realtime (the thread to highest) and names what was granted:
// "realtime", "high (run elevated for realtime)" or "normal".
std::wstring EnterMeasurementPriority();
// Keeps Windows honouring this process's requests while its window is hidden.
void KeepTimerRequestsHonoured();
