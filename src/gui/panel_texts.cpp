#include "gui/panel_texts.h"

#include <algorithm>

#include "app/output.h"
#include "gui/chart_rules.h"

namespace gui {

std::wstring LatticeSubtitle(const LatticePhase& phase) {
  if (phase.verifying) {
    return Format(L"verification  |  128³  |  n = %u  |  missed %u", phase.samples, phase.late);
  }
  if (!phase.sweepSeen) return L"late %  ×  measured latency  ×  sample n";
  return Format(L"pass %d of %d  |  late %% × latency × n  |  n = %u", phase.pass,
                std::max(1, phase.passCount), phase.samples);
}

const wchar_t* CandidatePhaseWord(bool heldIsFinalist, bool verifyingFinalistWithData,
                                  bool candidateHasData) {
  if (heldIsFinalist) return L"selected";
  if (verifyingFinalistWithData) return L"verification";
  return candidateHasData ? L"sweep" : L"first pass";
}

double BannerPopScale(double t) {
  const double u = ClampToRange(t, 0.0, 1.0) - 1;
  return 1 + 2.70158 * u * u * u + 1.70158 * u * u;
}

}  // namespace gui
