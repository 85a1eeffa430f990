// The records the feed draws from, made from the engine's own.
#pragma once

#include <span>
#include <vector>

#include "app/feed.h"
#include "measure/candidate.h"

gui::PatternView PatternViewOf(const SampleStats& stats);
gui::CandidateView CandidateViewOf(const Candidate& candidate);
std::vector<gui::CandidateView> CandidateViewsOf(std::span<const Candidate> candidates);
