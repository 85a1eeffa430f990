// gui::Feed: how a long synchronous operation reports progress and learns that it should
// stop, without knowing about the GUI. The worker that starts an operation binds its
// feed to the thread; everything below reads CurrentFeed() and does nothing without one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tweaks/tweak_row.h"

namespace gui {

// The timer and service summary shown above a measurement.
struct SystemView {
  std::uint32_t finest = 0;    // 100-ns units
  std::uint32_t coarsest = 0;  // 100-ns units
  std::uint32_t current = 0;   // 100-ns units
  bool elevated = false;
  std::uint32_t serviceState = 0;  // 0 not installed, 1 running, 2 installed, not running
  std::uint32_t desiredResolution = 0;
  std::wstring priority;  // empty before the run raised its priority
};

// The statistics of one sample pattern as the GUI draws them.
struct PatternView {
  std::uint32_t count = 0;
  double median = 0, mean = 0, stdev = 0, p99 = 0, latePct = 0, score = 0;
};

struct CandidateView {
  std::uint32_t requested = 0;
  bool hasData = false;
  std::uint32_t skippedPasses = 0;
  std::uint32_t interferer = 0;
  PatternView loop;
  PatternView idle;
  double score = 0;
  bool clean = false;
};

struct SweepView {
  std::vector<CandidateView> candidates;  // grid order
  std::vector<double> smoothed;           // empty while the passes run
  std::int32_t bestIndex = -1;
  std::int32_t firstCleanIndex = -1;
  std::int32_t targetIndex = -1;
  std::int32_t margin = 0;     // 100-ns units, 0 until chosen
  std::int32_t pass = 0;       // from 1; 0 in the report after the merge
  std::int32_t passCount = 0;  // 0 after the merge
  std::int32_t position = 0;   // from 1 within the pass; 0 after the merge
};

class Feed {
 public:
  virtual ~Feed() = default;
  virtual void ShowSystem(const SystemView& view) = 0;
  virtual void ShowStatus(const std::wstring& title, const std::wstring& detail) = 0;
  virtual void SetProgress(double fraction, double elapsedSeconds, double remainingSeconds) = 0;
  virtual void AddLine(const std::wstring& text) = 0;
  virtual void ShowBaseline(const PatternView& baseline, std::uint32_t currentResolution) = 0;
  // Called between two timed samples: implementations copy into fixed storage only.
  virtual void AddSample(std::uint32_t requested, double overshootMs, bool afterIdle) = 0;
  virtual void ShowSweep(const SweepView& sweep, std::int32_t activeIndex) = 0;
  virtual void ShowVerify(const std::vector<CandidateView>& finalists, std::int32_t activeIndex,
                          std::uint32_t targetResolution) = 0;
  virtual void ShowItem(const std::wstring& title, const std::wstring& text) = 0;
  virtual void SetRows(const std::vector<TweakRow>& rows) = 0;
  virtual bool IsCancelled() = 0;
};

}  // namespace gui

// Binds `feed` to the calling thread until UnbindThreadFeed; not owned.
void BindThreadFeed(gui::Feed* feed);
void UnbindThreadFeed();
// The calling thread's feed, or nullptr.
gui::Feed* CurrentFeed();
