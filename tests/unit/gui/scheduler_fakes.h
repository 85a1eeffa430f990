// Fakes for the scheduler's tests: a clock that barely sleeps, a gate a fake step waits
// on, a sink that counts, and a host whose steps pass unless a test gates or fails them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "gui/scheduler.h"

namespace gui::testing_fakes {

using namespace std::chrono_literals;

class YieldClock final : public RunnerClock {
 public:
  void SleepMs(int) override { std::this_thread::sleep_for(1ms); }
};

// A step that runs until the test opens it, then returns `result`.
class Gate {
 public:
  int Pass(int result) {
    std::unique_lock lock(mu_);
    entered_ = true;
    cv_.notify_all();
    cv_.wait(lock, [this] { return open_; });
    return result;
  }
  void Open() {
    std::lock_guard lock(mu_);
    open_ = true;
    cv_.notify_all();
  }
  bool Entered() {
    std::lock_guard lock(mu_);
    return entered_;
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  bool open_ = false, entered_ = false;
};

class Sink final : public SchedulerSink {
 public:
  void PostClose() override { ++closes; }
  void HealthLog(const std::wstring& text) override { log.push_back(text); }
  void RequestHealthScan() override { ++scans; }
  std::atomic<int> closes{0};
  std::vector<std::wstring> log;
  int scans = 0;
};

// Counts calls and keeps history lines; every step passes unless a test gates or fails it.
struct Fixture {
  Fixture() {
    host.setupComplete = [] { return true; };
    host.loadSelection = [] {
      return std::array<bool, 9>{true, true, true, true, true, true, true, true, true};
    };
    host.appendHistory = [this](const std::wstring& area, const std::wstring& message) {
      std::lock_guard lock(mu);
      history.push_back(area + L": " + message);
    };
    host.restartService = [this] { ++restarts; };
    host.measure = [this](Feed&, int, bool& stopped) {
      stopped = measureStopsService;
      ResultView r;
      r.selected = 10000;
      return r;
    };
    host.install = [this](std::uint32_t value, bool, Feed&) {
      installed = value;
      return installReturn.load();
    };
    for (auto cb : {&GuiHost::prepare, &GuiHost::ppm, &GuiHost::gpu, &GuiHost::afterburner,
                    &GuiHost::memory, &GuiHost::storage}) {
      host.*cb = [](Feed&) { return 0; };
    }
    host.driverLookup = [](Feed&, const std::atomic<bool>*) {
      GpuDriverOffer offer;
      offer.found = true;
      offer.vendor = kDriverNvidia;
      offer.spaceOk = true;
      offer.downloadUrl = L"https://vendor.example/driver.exe";
      return offer;
    };
  }
  std::vector<std::wstring> History() {
    std::lock_guard lock(mu);
    return history;
  }
  // Measure runs until `gate` opens, then selects 1 ms.
  void GateMeasure(Gate& gate) {
    host.measure = [&gate](Feed&, int, bool& stopped) {
      stopped = false;
      ResultView r;
      r.selected = static_cast<std::uint32_t>(gate.Pass(10000));
      return r;
    };
  }
  // Polls like the window does until `done` holds (or fails the test after 5 s).
  template <typename Done>
  void PollUntil(Scheduler& s, Done done, int capacity = 12) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
      s.Update(capacity);
      ASSERT_LT(std::chrono::steady_clock::now(), end) << "the scheduler never got there";
      std::this_thread::sleep_for(1ms);
    }
    s.Update(capacity);
  }

  GuiHost host;
  YieldClock clock;
  Sink sink;
  std::mutex mu;
  std::vector<std::wstring> history;
  std::atomic<int> restarts{0};
  std::atomic<std::uint32_t> installed{0};
  std::atomic<int> installReturn{0};
  bool measureStopsService = false;
};

}  // namespace gui::testing_fakes
