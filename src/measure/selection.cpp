#include "measure/selection.h"

#include <algorithm>

std::vector<std::size_t> PickFinalists(std::span<const Candidate> candidates, std::size_t target,
                                       std::size_t best, std::optional<std::size_t> firstClean,
                                       std::size_t limit) {
  const std::size_t n = candidates.size();
  std::vector<std::size_t> picked;
  const auto add = [&](std::size_t k) {
    if (picked.size() < limit && k < n && candidates[k].HasData() &&
        std::find(picked.begin(), picked.end(), k) == picked.end()) {
      picked.push_back(k);
    }
  };
  // Step 1: the evidence around the target and the best.
  add(target);
  add(best);
  add(target + 1);
  if (best > 0) add(best - 1);
  if (firstClean) add(*firstClean);
  // Step 2: the lowest scores fill the rest.
  std::vector<std::size_t> rest;
  for (std::size_t k = 0; k < n; ++k) {
    if (candidates[k].HasData()) rest.push_back(k);
  }
  std::stable_sort(rest.begin(), rest.end(), [&](std::size_t a, std::size_t b) {
    if (candidates[a].score != candidates[b].score)
      return candidates[a].score < candidates[b].score;
    return a > b;
  });
  for (std::size_t k : rest) add(k);
  std::sort(picked.begin(), picked.end());
  return picked;
}

std::optional<std::size_t> SelectFinalist(std::span<const Candidate> finalists,
                                          std::uint32_t target) {
  std::optional<std::size_t> winner;
  // Step 1: the lowest score among the eligible; the shorter period keeps a tie.
  for (bool eligible_only : {true, false}) {
    for (std::size_t i = 0; i < finalists.size(); ++i) {
      const Candidate& c = finalists[i];
      if (!c.HasData() || (eligible_only && c.requested < target)) continue;
      if (!winner || c.score < finalists[*winner].score) winner = i;
    }
    if (winner) break;
  }
  if (!winner) return winner;
  // Step 2: a longer period within 3 % wakes less often for the same lag.
  for (std::size_t i = 0; i < finalists.size(); ++i) {
    const Candidate& c = finalists[i];
    const Candidate& w = finalists[*winner];
    if (c.HasData() && c.requested > w.requested && c.requested >= target &&
        c.score <= w.score * 1.03) {
      winner = i;
    }
  }
  return winner;
}
