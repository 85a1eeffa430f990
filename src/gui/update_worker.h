// UpdateWorker: the window's one update thread, which checks for a release or applies one,
// never both, and the decisions the window takes from its results each tick: ask the user
// (after a balloon click), announce a newly found version once, or show an apply error.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "gui/gui_host.h"

namespace gui {

struct UpdateTick {
  enum class Kind { kNone, kAsk, kAnnounce, kError };
  Kind kind = Kind::kNone;
  update::AppUpdate offer;
  std::wstring text;  // the question, or the apply error
};

class UpdateWorker {
 public:
  explicit UpdateWorker(const GuiHost& host) : host_(host) {}
  ~UpdateWorker();  // cancels and joins
  UpdateWorker(const UpdateWorker&) = delete;
  UpdateWorker& operator=(const UpdateWorker&) = delete;

  // Skipped (false) without a check callback, while an apply runs or a check runs.
  bool StartCheck();
  // Skipped (false) without an apply callback or while one runs.
  bool StartApply(const update::AppUpdate& offer);
  // What the window does this tick. `promptRequested` is a balloon click waiting for its
  // question; `runningVersion` and `serviceInstalled` word it.
  UpdateTick Take(bool promptRequested, const std::wstring& runningVersion, bool serviceInstalled);

  // A checked release waits to be installed (Home offers it).
  bool Available() const;
  bool Applying() const { return applying_; }
  // The apply's latest progress line while it runs, else empty.
  std::wstring ApplyProgress() const;

  // The release is in place: the window closes and the program reopens itself.
  bool RestartPending() const { return restart_; }
  // Cancels what runs and waits for the thread: the first step of the window's exit.
  void Shutdown();

 private:
  void Join();

  const GuiHost& host_;
  std::thread thread_;
  std::atomic<bool> checking_{false}, applying_{false}, cancel_{false}, restart_{false};
  mutable std::mutex mu_;
  // Guarded by mu_.
  update::AppUpdate offer_;
  bool checkDone_ = false, available_ = false;
  std::wstring lastAnnounced_, applyError_, applyProgress_;
};

// The question asked before an update is downloaded and put in place.
std::wstring UpdatePromptText(const update::AppUpdate& offer, const std::wstring& runningVersion,
                              bool serviceInstalled);

}  // namespace gui
