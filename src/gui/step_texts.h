// Texts of the step screens that are computed rather than quoted: the fidelity choices'
// duration labels and detail line, and paths cut in the middle to fit a row.
#pragma once

#include <cstddef>
#include <string>

#include "measure/fidelity.h"

namespace gui {

// "~10 s" up to 89 s (to the nearest 5 s, at least 5), then "~3 min 20 s", "~4 min".
std::wstring FidelityDurationLabel(double estimatedSeconds);
// "Default. 18 back-to-back and 9 after idle, 3 passes" (the prefix only for Medium).
std::wstring FidelityDetailLine(Fidelity fidelity, const FidelityPlan& plan);
// `text` unchanged when it has at most `maxChars` characters, else its start and end joined
// by "…" in `maxChars` characters: a path keeps its drive and its file name.
std::wstring MiddleEllipsis(const std::wstring& text, std::size_t maxChars);

}  // namespace gui
