#include "gui/shared_state.h"

#include <algorithm>
#include <chrono>

namespace gui {
namespace {

std::uint64_t NowNs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace

SharedState::SharedState() : startTicks_(NowNs()) {}

void SharedState::Reset() {
  std::lock_guard lock(mu_);
  cancelled_.store(false, std::memory_order_release);
  ++resets_;
  Touch();
  startTicks_ = NowNs();
  title_.clear();
  detail_.clear();
  fraction_ = elapsed_ = remaining_ = 0;
  lineCount_ = 0;
  hasBaseline_ = false;
  baseline_ = {};
  baselinePeriod_ = 0;
  sweep_ = {};
  sweepActive_ = -1;
  finalists_.clear();
  verifyActive_ = -1;
  verifyTarget_ = 0;
  itemTitle_.clear();
  itemText_.clear();
  rows_.clear();
  sampleCount_ = 0;
}

void SharedState::ShowSystem(const SystemView& view) {
  std::lock_guard lock(mu_);
  system_ = view;
  Touch();
}

void SharedState::ShowStatus(const std::wstring& title, const std::wstring& detail) {
  std::lock_guard lock(mu_);
  title_ = title;
  detail_ = detail;
  Touch();
}

void SharedState::SetProgress(double fraction, double elapsedSeconds, double remainingSeconds) {
  std::lock_guard lock(mu_);
  fraction_ = fraction;
  elapsed_ = elapsedSeconds;
  remaining_ = remainingSeconds;
  Touch();
}

void SharedState::AddLine(const std::wstring& text) {
  std::lock_guard lock(mu_);
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find(L'\n', begin);
    lines_[lineCount_++ % kFeedLines] = text.substr(begin, end - begin);
    if (end == std::wstring::npos) break;
    begin = end + 1;
  }
  Touch();
}

void SharedState::ShowBaseline(const PatternView& baseline, std::uint32_t currentResolution) {
  std::lock_guard lock(mu_);
  baseline_ = baseline;
  baselinePeriod_ = currentResolution;
  hasBaseline_ = true;
  Touch();
}

void SharedState::AddSample(std::uint32_t requested, double overshootMs, bool afterIdle) {
  std::lock_guard lock(mu_);
  samples_[sampleCount_++ % kSampleRing] =
      Sample{requested, static_cast<float>(overshootMs), afterIdle};
}

void SharedState::ShowSweep(const SweepView& sweep, std::int32_t activeIndex) {
  std::lock_guard lock(mu_);
  sweep_ = sweep;
  sweepActive_ = activeIndex;
  Touch();
}

void SharedState::ShowVerify(const std::vector<CandidateView>& finalists, std::int32_t activeIndex,
                             std::uint32_t targetResolution) {
  std::lock_guard lock(mu_);
  finalists_ = finalists;
  verifyActive_ = activeIndex;
  verifyTarget_ = targetResolution;
  Touch();
}

void SharedState::ShowItem(const std::wstring& title, const std::wstring& text) {
  std::lock_guard lock(mu_);
  itemTitle_ = title;
  itemText_ = text;
  Touch();
}

void SharedState::SetRows(const std::vector<TweakRow>& rows) {
  std::lock_guard lock(mu_);
  rows_ = rows;
  Touch();
}

void SharedState::Snapshot(FeedSnapshot& into) const {
  std::lock_guard lock(mu_);
  into.elapsedSeconds = static_cast<double>(NowNs() - startTicks_) / 1e9;
  if (into.resets != resets_) {
    into.resets = resets_;
    into.samplesSeen = 0;
    into.version = 0;
  }
  // Samples: only those added since the last copy, bounded by the ring.
  const std::uint64_t oldest = sampleCount_ > kSampleRing ? sampleCount_ - kSampleRing : 0;
  const std::uint64_t from = into.samplesSeen > oldest ? into.samplesSeen : oldest;
  into.droppedSamples = from - into.samplesSeen;
  // At most two contiguous runs of the ring, copied as blocks.
  const auto count = static_cast<std::size_t>(sampleCount_ - from);
  const auto first = static_cast<std::size_t>(from % kSampleRing);
  const std::size_t head = std::min(count, kSampleRing - first);
  into.newSamples.assign(samples_.begin() + static_cast<std::ptrdiff_t>(first),
                         samples_.begin() + static_cast<std::ptrdiff_t>(first + head));
  into.newSamples.insert(into.newSamples.end(), samples_.begin(),
                         samples_.begin() + static_cast<std::ptrdiff_t>(count - head));
  into.samplesSeen = sampleCount_;
  if (into.version == version_) return;
  into.version = version_;
  into.title = title_;
  into.detail = detail_;
  into.fraction = fraction_;
  into.elapsed = elapsed_;
  into.remaining = remaining_;
  const std::size_t kept = lineCount_ < kFeedLines ? lineCount_ : kFeedLines;
  into.lines.resize(kept);
  for (std::size_t i = 0; i < kept; ++i) {
    into.lines[i] = lines_[(lineCount_ - kept + i) % kFeedLines];
  }
  into.system = system_;
  into.hasBaseline = hasBaseline_;
  into.baseline = baseline_;
  into.baselinePeriod = baselinePeriod_;
  into.sweep = sweep_;
  into.sweepActive = sweepActive_;
  into.finalists = finalists_;
  into.verifyActive = verifyActive_;
  into.verifyTarget = verifyTarget_;
  into.itemTitle = itemTitle_;
  into.itemText = itemText_;
  into.rows = rows_;
}

}  // namespace gui
