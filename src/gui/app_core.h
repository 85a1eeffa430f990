// AppCore: the window's decisions and their order, free of Win32. The program's window
// forwards its messages here and carries the answers out through its WindowHost: how the
// window starts and closes, the tray's icon, menu and balloons, the minute timer's scans
// and maintenance passes, the update's announcement and question, and what input on the
// drawn screens asks of the window. Everything here runs on the window thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/monitor_tick.h"
#include "gui/step_window.h"
#include "gui/tray_texts.h"
#include "gui/update_worker.h"
#include "gui/window_host.h"

namespace gui {

inline constexpr unsigned kMonitorTickMs = 60000;
// While an update waits, the tray icon alternates between plain and dimmed.
inline constexpr unsigned kBlinkMs = 450;
// How soon the loop looks at the steps again while one runs: a frame's worth when the
// window shows, a few times a second when nobody looks (chains and the full tune go on).
inline constexpr unsigned kActivePollMs = 33, kHiddenPollMs = 250;

// The keys the window acts on, by their virtual-key codes.
enum VirtualKey : unsigned {
  kVirtualTab = 0x09,
  kVirtualReturn = 0x0D,
  kVirtualEscape = 0x1B,
  kVirtualSpace = 0x20,
  kVirtualPageUp = 0x21,
  kVirtualPageDown = 0x22,
};

class AppCore {
 public:
  // `assumeYes` is --yes, `showRequested` --show.
  AppCore(WindowHost& host, StepWindow& steps, UpdateWorker& updates, MonitorSettings settings,
          bool assumeYes, bool showRequested);

  // Once the window exists: the tray icon, the first show, the timers, the first scan and
  // update check, then the first-start questions. False when the window went meanwhile.
  bool Start();

  // Close (the title bar, Escape, the steps' own close): hide, minimise, ask or end.
  void OnClose();
  // The window is being destroyed: its icon and minute timer go with it.
  void OnDestroyed();
  // The shell (re)started: its icons are gone.
  void OnTaskbarCreated() { AddTray(); }
  void OnTrayClick() { ShowAndFocus(); }
  void OnTrayMenu();
  void OnTrayCommand(TrayCommand command);
  void OnBalloonClick();
  void ShowAndFocus();

  void OnMonitorTick();
  void OnBlinkTick();
  void OnHealthScanDone(const std::vector<HealthCheck>& results, bool scanned);
  // What needs attention changed: a balloon, when one is due.
  void OnHealthNotify(const std::vector<HealthCheck>& results);
  void SetMaintainTiming(bool on);

  // The loop's look at the steps and the update between messages.
  void Poll();
  // The update's news and a gathered report: after every frame too, since a screen that
  // keeps drawing (a running step, the rotating lattice) never waits for messages.
  void PollUpdateAndReport();
  // How long the loop's message wait may last; nothing: until the next message.
  std::optional<unsigned> WaitMs(bool visible, bool occluded) const;

  // Input in pixels at `dpi`; the screens work in DIPs.
  void OnKeyDown(unsigned virtualKey, bool repeat, bool shift);
  void OnKeyUp(unsigned virtualKey);
  void OnPointerDown(int x, int y, float dpi);
  void OnPointerUp(int x, int y, float dpi);
  void OnPointerMove(int x, int y, float dpi);
  void OnWheel(int delta);

  // Something the next frame shows changed (input, a resize, a box covered the window).
  void MarkDirty() { dirty_ = true; }
  bool Dirty() const { return dirty_; }
  // A frame was drawn: the next one is due only while the screens animate.
  void FrameDrawn() { dirty_ = steps_.Animating(); }
  // The settings and their deadlines lent to this frame's Settings panel.
  SettingsAccess FrameSettings(const std::array<std::wstring, 2>& defaultFolders);

  const MonitorSettings& settings() const { return settings_; }
  const TrayHealth& trayHealth() const { return trayHealth_; }

 private:
  TrayLook Look() const;
  void AddTray();
  void UpdateTray();
  void AskFirstStartQuestions(bool askStartup, bool askMaintain);
  void OnUpdateTick();
  // The user answered the update's question: the icon stops asking for attention.
  void EndUpdatePending();
  void Carry(const WindowActions& actions);
  // False when the window went while the picker was up.
  bool PickSettingsFolder(int field);
  // After a modal box: false when the window went while it was up; otherwise the click
  // that closed it must not act on the screen below.
  bool AfterModal();
  // Runs a call that shows a modal box (or menu) and counts it as open meanwhile: its own
  // message loop still delivers timers to this core.
  template <typename Call>
  auto Modal(Call call) {
    ++modalDepth_;
    struct Closed {
      int& depth;
      ~Closed() { --depth; }
    } closed{modalDepth_};
    return call();
  }

  WindowHost& host_;
  StepWindow& steps_;
  UpdateWorker& updates_;
  MonitorSettings settings_;
  const bool assumeYes_, showRequested_;
  bool trayAdded_ = false;
  bool dirty_ = true;
  int modalDepth_ = 0;  // boxes open now
  MonitorClock clock_;
  TrayHealth trayHealth_;  // what the tooltip says
  bool blinkPhase_ = false;
  bool maintainPending_ = false;
  // A balloon click waiting for its question, asked on the next poll, never from inside
  // the tray callback.
  bool promptRequested_ = false;
  std::uint64_t nextUpdateCheck_ = 0;
  std::wstring shownUpdateProgress_;
  // The Settings panel's view of the deadlines, in seconds of the tick count; refreshed
  // every frame and written back when the panel moved one.
  screens::MonitorDeadlines deadlines_;
};

}  // namespace gui
