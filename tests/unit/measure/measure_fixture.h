// A simulated machine for the measurement engine's tests, and a feed that records what
// the engine reported and can ask it to stop at a chosen moment.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/feed.h"
#include "platform/sim/sim_machine.h"
#include "support/utf.h"

class MeasureFeed : public gui::Feed {
 public:
  struct Sample {
    std::uint32_t requested;
    double overshoot;
    bool after_idle;
  };

  void ShowSystem(const gui::SystemView& v) override { systems.push_back(v); }
  void ShowStatus(const std::wstring& title, const std::wstring&) override {
    statuses.push_back(title);
  }
  void SetProgress(double fraction, double, double) override { progress.push_back(fraction); }
  void AddLine(const std::wstring& text) override { lines.push_back(text); }
  void ShowBaseline(const gui::PatternView& v, std::uint32_t current) override {
    baselines.push_back(v);
    baseline_current = current;
  }
  void AddSample(std::uint32_t requested, double overshoot, bool after_idle) override {
    samples.push_back({requested, overshoot, after_idle});
  }
  void ShowSweep(const gui::SweepView& v, std::int32_t active) override {
    sweeps.push_back(v);
    sweep_active.push_back(active);
  }
  void ShowVerify(const std::vector<gui::CandidateView>& v, std::int32_t, std::uint32_t) override {
    verifies.push_back(v);
  }
  void ShowItem(const std::wstring& title, const std::wstring& text) override {
    items.push_back(title);
    item_texts.push_back(text);
  }
  void SetRows(const std::vector<TweakRow>&) override {}
  bool IsCancelled() override { return cancel_when && cancel_when(*this); }

  // Asked before every sample; a true answer cancels from then on.
  std::function<bool(const MeasureFeed&)> cancel_when;
  std::vector<gui::SystemView> systems;
  std::vector<std::wstring> statuses, lines, items, item_texts;
  std::vector<double> progress;
  std::vector<gui::PatternView> baselines;
  std::uint32_t baseline_current = 0;
  std::vector<Sample> samples;
  std::vector<gui::SweepView> sweeps;
  std::vector<std::int32_t> sweep_active;
  std::vector<std::vector<gui::CandidateView>> verifies;
};

class MeasureTest : public ::testing::Test {
 protected:
  MeasureTest() { BindThreadFeed(&feed_); }
  ~MeasureTest() override { UnbindThreadFeed(); }

  std::wstring Out() { return machine_.console.Output(platform::StdStream::kOut); }
  std::wstring Log() {
    const auto bytes = machine_.files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    return bytes ? support::FromUtf8(*bytes) : std::wstring();
  }
  bool LogHas(const std::wstring& text) { return Log().find(text) != std::wstring::npos; }
  std::vector<std::wstring> RunFiles() {
    return machine_.files.List(L"C:\\ProgramData\\Veltrane", L"benchmark-*.csv");
  }

  platform::SimMachine machine_;
  platform::ScopedSystem guard_{machine_.system()};
  MeasureFeed feed_;
};
