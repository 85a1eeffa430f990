#include "measure/views.h"

gui::PatternView PatternViewOf(const SampleStats& s) {
  gui::PatternView v;
  v.count = static_cast<std::uint32_t>(s.count);
  v.median = s.median;
  v.mean = s.mean;
  v.stdev = s.stdev;
  v.p99 = s.p99;
  v.latePct = s.latePct;
  v.score = s.score;
  return v;
}

gui::CandidateView CandidateViewOf(const Candidate& c) {
  gui::CandidateView v;
  v.requested = c.requested;
  v.hasData = c.HasData();
  v.skippedPasses = c.skippedPasses;
  v.interferer = c.interferer;
  v.loop = PatternViewOf(c.loopStats);
  v.idle = PatternViewOf(c.idleStats);
  v.score = c.score;
  v.clean = c.clean;
  return v;
}

std::vector<gui::CandidateView> CandidateViewsOf(std::span<const Candidate> candidates) {
  std::vector<gui::CandidateView> views;
  views.reserve(candidates.size());
  for (const Candidate& c : candidates) views.push_back(CandidateViewOf(c));
  return views;
}
