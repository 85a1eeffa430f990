// How thoroughly each period is measured: sample counts per fidelity and the console
// question that picks one.
#pragma once

#include <cstdint>

#include "app/options.h"

struct FidelityPlan {
  std::uint32_t samples = 0;  // back-to-back samples per candidate per pass
  std::uint32_t passes = 0;
  std::uint32_t verifyCount = 0;  // back-to-back samples per finalist in verification
  double estimatedSeconds = 0;    // for the default grid of 101 candidates, 6 finalists
};

FidelityPlan FidelityPlanFor(Fidelity fidelity);
// Asks Low / Medium / High on an interactive console unless the user already chose
// (--yes, --fidelity, --samples); returns the options with the answer.
Options AskFidelity(const Options& options);
