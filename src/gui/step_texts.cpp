#include "gui/step_texts.h"

#include <algorithm>

#include "app/output.h"
#include "gui/chart_rules.h"

namespace gui {

std::wstring FidelityDurationLabel(double estimatedSeconds) {
  const int s = std::max(1, static_cast<int>(ClampToRange(estimatedSeconds, 0, 1e7) + 0.5));
  if (s <= 89) return Format(L"~%d s", std::max(5, (s + 2) / 5 * 5));
  const int minutes = s / 60;
  const int tens = (s - 60 * minutes + 5) / 10;
  // 55 s and more round up to the next whole minute.
  if (tens == 6) return Format(L"~%d min", minutes + 1);
  if (tens == 0) return Format(L"~%d min", minutes);
  return Format(L"~%d min %d s", minutes, 10 * tens);
}

std::wstring FidelityDetailLine(Fidelity fidelity, const FidelityPlan& plan) {
  const int samples = static_cast<int>(plan.samples);
  const int passes = static_cast<int>(plan.passes);
  return Format(L"%ls%d back-to-back and %d after idle, %d pass%ls",
                fidelity == Fidelity::Medium ? L"Default. " : L"", samples,
                std::max(5, samples / 2), passes, passes == 1 ? L"" : L"es");
}

std::wstring MiddleEllipsis(const std::wstring& text, std::size_t maxChars) {
  if (text.size() <= maxChars) return text;
  if (maxChars < 2) return L"…";
  // The end (a file name) is usually what tells two paths apart: it gets the odd character.
  const std::size_t head = (maxChars - 1) / 2;
  const std::size_t tail = maxChars - 1 - head;
  return text.substr(0, head) + L"…" + text.substr(text.size() - tail);
}

}  // namespace gui
