// Sweep-level rules over the candidates in ascending period order: the smoothed score
// curve, the best measured period, the first period that never misses a tick, the
// transition band below it and the safety margin above the best.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "measure/candidate.h"

inline constexpr double kNoScore = 1e9;

// Mean score over a window of five (cut at the ends), counting only candidates with
// data; kNoScore for a candidate without data.
std::vector<double> SmoothScores(std::span<const Candidate> candidates);
// Lowest smoothed score below kNoScore; the later index wins a tie (longer periods wake
// less often for the same lag). nullopt when nothing could be measured.
std::optional<std::size_t> FindBestMeasured(std::span<const double> smoothed);
// Smallest back-to-back median among clean candidates with data; kNoScore when none.
double MinCleanMedian(std::span<const Candidate> candidates);
// Clean, with data, and typically no more than half a tick above the best clean median.
bool NeverMisses(std::span<const Candidate> candidates, std::size_t k, double minCleanMedian);
// First k where k and the existing k + 1, k + 2 never miss.
std::optional<std::size_t> FindFirstClean(std::span<const Candidate> candidates);
// Walking down from firstClean - 1, the first candidate with data that misses.
std::optional<std::size_t> FindLastMiss(std::span<const Candidate> candidates,
                                        std::size_t firstClean);
// requested(first clean) - requested(last miss); 0 when either is missing.
std::uint32_t TransitionWidth(std::span<const Candidate> candidates,
                              std::optional<std::size_t> firstClean,
                              std::optional<std::size_t> lastMiss);

struct MarginChoice {
  std::uint32_t margin = 0;     // 100-ns units
  const wchar_t* suffix = L"";  // shown after the margin
  bool capped = false;          // the band was wider than the cap: warn
};
inline constexpr std::uint32_t kMinimumMargin = 50;
inline constexpr std::uint32_t kMarginCap = 300;
// The user's --margin when given, else the transition width kept within 50..300.
MarginChoice ChooseMargin(std::uint32_t userMargin, bool marginSet, std::uint32_t width);
