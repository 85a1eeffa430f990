#include "measure/sweep_rules.h"

std::vector<double> SmoothScores(std::span<const Candidate> candidates) {
  const std::size_t n = candidates.size();
  std::vector<double> smoothed(n, kNoScore);
  for (std::size_t k = 0; k < n; ++k) {
    if (!candidates[k].HasData()) continue;
    const std::size_t from = k >= 2 ? k - 2 : 0;
    const std::size_t to = k + 2 < n ? k + 2 : n - 1;
    double sum = 0;
    int count = 0;
    for (std::size_t i = from; i <= to; ++i) {
      if (!candidates[i].HasData()) continue;
      sum += candidates[i].score;
      ++count;
    }
    smoothed[k] = sum / count;
  }
  return smoothed;
}

std::optional<std::size_t> FindBestMeasured(std::span<const double> smoothed) {
  std::optional<std::size_t> best;
  for (std::size_t k = 0; k < smoothed.size(); ++k) {
    if (!(smoothed[k] < kNoScore)) continue;
    if (!best || smoothed[k] <= smoothed[*best]) best = k;
  }
  return best;
}

double MinCleanMedian(std::span<const Candidate> candidates) {
  double lowest = kNoScore;
  for (const Candidate& c : candidates) {
    if (c.HasData() && c.clean && c.loopStats.median < lowest) lowest = c.loopStats.median;
  }
  return lowest;
}

bool NeverMisses(std::span<const Candidate> candidates, std::size_t k, double minCleanMedian) {
  const Candidate& c = candidates[k];
  const double tick_ms = c.requested / 10000.0;
  return c.HasData() && c.clean && c.loopStats.median <= 0.5 * tick_ms + minCleanMedian;
}

std::optional<std::size_t> FindFirstClean(std::span<const Candidate> candidates) {
  const double min_clean = MinCleanMedian(candidates);
  const std::size_t n = candidates.size();
  for (std::size_t k = 0; k < n; ++k) {
    bool holds = true;
    for (std::size_t i = k; i < n && i <= k + 2 && holds; ++i) {
      holds = NeverMisses(candidates, i, min_clean);
    }
    if (holds) return k;
  }
  return std::nullopt;
}

std::optional<std::size_t> FindLastMiss(std::span<const Candidate> candidates,
                                        std::size_t firstClean) {
  const double min_clean = MinCleanMedian(candidates);
  for (std::size_t k = firstClean; k-- > 0;) {
    if (candidates[k].HasData() && !NeverMisses(candidates, k, min_clean)) return k;
  }
  return std::nullopt;
}

std::uint32_t TransitionWidth(std::span<const Candidate> candidates,
                              std::optional<std::size_t> firstClean,
                              std::optional<std::size_t> lastMiss) {
  if (!firstClean || !lastMiss) return 0;
  return candidates[*firstClean].requested - candidates[*lastMiss].requested;
}

MarginChoice ChooseMargin(std::uint32_t userMargin, bool marginSet, std::uint32_t width) {
  if (marginSet) return {userMargin, L" (--margin)", false};
  if (width <= kMinimumMargin) return {kMinimumMargin, L" (minimum)", false};
  if (width < kMarginCap) return {width, L" (= transition width)", false};
  return {kMarginCap, L" (= transition width)", width > kMarginCap};
}
