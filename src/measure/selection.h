// Which candidates go to verification, and which verified finalist is selected.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "measure/candidate.h"

// Up to `limit` indices of candidates with data, ascending: the target, the best, the
// period after the target, the one before the best and the first clean one, then the
// lowest scores (the longer period first on a tie).
std::vector<std::size_t> PickFinalists(std::span<const Candidate> candidates, std::size_t target,
                                       std::size_t best, std::optional<std::size_t> firstClean,
                                       std::size_t limit);

// The lowest score at or above `target` (below it only when nothing there has data),
// then any longer eligible period within 3 % of the current choice. nullopt when no
// finalist has data.
std::optional<std::size_t> SelectFinalist(std::span<const Candidate> finalists,
                                          std::uint32_t target);
