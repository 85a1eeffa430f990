// A feed that keeps the lines it was given and answers IsCancelled from a flag.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "app/feed.h"

class RecordingFeed : public gui::Feed {
 public:
  void ShowSystem(const gui::SystemView&) override {}
  void ShowStatus(const std::wstring&, const std::wstring&) override {}
  void SetProgress(double, double, double) override {}
  void AddLine(const std::wstring& text) override { lines.push_back(text); }
  void ShowBaseline(const gui::PatternView&, std::uint32_t) override {}
  void AddSample(std::uint32_t, double, bool) override {}
  void ShowSweep(const gui::SweepView&, std::int32_t) override {}
  void ShowVerify(const std::vector<gui::CandidateView>&, std::int32_t, std::uint32_t) override {}
  void ShowItem(const std::wstring&, const std::wstring&) override {}
  void SetRows(const std::vector<TweakRow>&) override {}
  bool IsCancelled() override {
    ++cancel_polls;
    return cancelled.load();
  }

  std::vector<std::wstring> lines;
  std::atomic<bool> cancelled{false};
  int cancel_polls = 0;
};

// Binds a feed to the calling thread for one scope.
class ScopedFeed {
 public:
  explicit ScopedFeed(gui::Feed* feed) { BindThreadFeed(feed); }
  ~ScopedFeed() { UnbindThreadFeed(); }
  ScopedFeed(const ScopedFeed&) = delete;
  ScopedFeed& operator=(const ScopedFeed&) = delete;
};
