// gui::SharedState: the feed of one step slot (and of the window's header). A worker writes
// it through the Feed operations; the window thread copies it out with Snapshot, which
// copies only what changed since the caller's last snapshot so the feed's mutex is held
// briefly and a worker's AddSample is never delayed by a paint.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/feed.h"

namespace gui {

struct Sample {
  std::uint32_t requested = 0;
  float overshootMs = 0;
  bool afterIdle = false;
};

inline constexpr std::size_t kFeedLines = 40;
inline constexpr std::size_t kSampleRing = 4096;

// The window's copy of a feed. Keep one per slot across frames: Snapshot refreshes it
// incrementally. Chart state built from samples (histograms, lattice) belongs to the
// chart code, which consumes `newSamples` after each snapshot.
struct FeedSnapshot {
  std::uint64_t version = 0;      // of the text fields; equal means nothing to copy
  std::uint64_t samplesSeen = 0;  // total samples ever added when last copied
  std::uint64_t resets = 0;       // a reset since the last copy drops everything
  double elapsedSeconds = 0;      // from the feed's own clock start
  std::wstring title, detail;
  double fraction = 0, elapsed = 0, remaining = 0;
  std::vector<std::wstring> lines;  // oldest first, at most kFeedLines
  SystemView system;
  bool hasBaseline = false;
  PatternView baseline;
  std::uint32_t baselinePeriod = 0;
  SweepView sweep;
  std::int32_t sweepActive = -1;
  std::vector<CandidateView> finalists;
  std::int32_t verifyActive = -1;
  std::uint32_t verifyTarget = 0;
  std::wstring itemTitle, itemText;
  std::vector<TweakRow> rows;
  std::vector<Sample> newSamples;    // added since the previous snapshot (at most the ring)
  std::uint64_t droppedSamples = 0;  // overwritten in the ring before this copy
};

class SharedState final : public Feed {
 public:
  SharedState();
  // Before each start of the slot: clears everything the previous run showed.
  void Reset();
  void Cancel() { cancelled_.store(true, std::memory_order_release); }

  void ShowSystem(const SystemView& view) override;
  void ShowStatus(const std::wstring& title, const std::wstring& detail) override;
  void SetProgress(double fraction, double elapsedSeconds, double remainingSeconds) override;
  void AddLine(const std::wstring& text) override;
  void ShowBaseline(const PatternView& baseline, std::uint32_t currentResolution) override;
  void AddSample(std::uint32_t requested, double overshootMs, bool afterIdle) override;
  void ShowSweep(const SweepView& sweep, std::int32_t activeIndex) override;
  void ShowVerify(const std::vector<CandidateView>& finalists, std::int32_t activeIndex,
                  std::uint32_t targetResolution) override;
  void ShowItem(const std::wstring& title, const std::wstring& text) override;
  void SetRows(const std::vector<TweakRow>& rows) override;
  bool IsCancelled() override { return cancelled_.load(std::memory_order_acquire); }

  // Brings `into` up to date; call on the window thread.
  void Snapshot(FeedSnapshot& into) const;

 private:
  void Touch() { ++version_; }  // under mu_

  mutable std::mutex mu_;
  std::atomic<bool> cancelled_{false};
  std::uint64_t version_ = 1;
  std::uint64_t resets_ = 0;
  std::uint64_t startTicks_ = 0;  // steady clock, nanoseconds
  std::wstring title_, detail_;
  double fraction_ = 0, elapsed_ = 0, remaining_ = 0;
  std::array<std::wstring, kFeedLines> lines_;
  std::size_t lineCount_ = 0;  // total appended since reset
  SystemView system_;
  bool hasBaseline_ = false;
  PatternView baseline_;
  std::uint32_t baselinePeriod_ = 0;
  SweepView sweep_;
  std::int32_t sweepActive_ = -1;
  std::vector<CandidateView> finalists_;
  std::int32_t verifyActive_ = -1;
  std::uint32_t verifyTarget_ = 0;
  std::wstring itemTitle_, itemText_;
  std::vector<TweakRow> rows_;
  std::array<Sample, kSampleRing> samples_{};  // fixed: AddSample never allocates
  std::uint64_t sampleCount_ = 0;              // total since reset
};

}  // namespace gui
