// The chart panels' changing words: the Lattice subtitle for the phase the run is in, the
// Candidate panel's phase word, and the pop-in of the Sweep panel's selection banner.
#pragma once

#include <cstdint>
#include <string>

namespace gui {

// Which picture the Lattice shows: before the first sweep report, a pass, or verification.
struct LatticePhase {
  bool sweepSeen = false;
  bool verifying = false;
  std::int32_t pass = 0, passCount = 0;
  std::uint32_t samples = 0;  // since the pass (or verification) began
  std::uint32_t late = 0;     // likewise
};
std::wstring LatticeSubtitle(const LatticePhase& phase);

// "selected" when the held period is a finalist, "verification" while a finalist with data
// is measured, "sweep" when the measured candidate already has statistics, else "first pass".
const wchar_t* CandidatePhaseWord(bool heldIsFinalist, bool verifyingFinalistWithData,
                                  bool candidateHasData);

// Scale of the "SELECTED" banner at t seconds of its pop-in (0..1): it overshoots, then
// settles at 1.
double BannerPopScale(double t);

}  // namespace gui
