// WindowHost: what the window's core asks of the desktop, free of Win32 types. The program
// implements it with the window, the notification area and message boxes; the tests fake
// it and record each call. A modal box or dialog runs messages while it is up, so the
// window may be gone when one returns: the core asks Alive() before it goes on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "health/health_check.h"
#include "health/monitor_settings.h"

namespace gui {

// The tray icon as the shell should show it.
struct TrayLook {
  std::wstring tooltip;
  bool dimmed = false;   // the blink phase of a pending update
  bool warning = false;  // something needs attention (shown when the icon cannot be made)
};

// Each box of the window, so the host gives it its icon, buttons and default.
enum class Question {
  kStopRunningSteps,  // closing while steps run: stop them and close?
  kMaintainTiming,    // the first start's maintain question
  kInstallUpdate,     // a waiting release: download it and replace this copy?
};
enum class Notice { kInformation, kWarning };

enum class WindowTimer { kMonitor, kBlink };

enum class Showing {
  kNormal,  // shown (restored when minimised) and in front
  kHidden,  // to the tray
  kMinimized,
  kMinimizedInactive,  // a start in the taskbar, without taking the focus
};

class WindowHost {
 public:
  virtual ~WindowHost() = default;

  // The window. Destroy ends the program's loop; Alive turns false once it is done.
  virtual void Show(Showing how) = 0;
  virtual void Destroy() = 0;
  virtual void PostClose() = 0;
  virtual bool Alive() const = 0;
  virtual bool Visible() const = 0;

  // The notification-area icon: Add is false when the shell refused it (not up yet).
  virtual bool AddTray(const TrayLook& look) = 0;
  virtual void ModifyTray(const TrayLook& look) = 0;
  virtual void RemoveTray() = 0;
  virtual void Balloon(const std::wstring& title, const std::wstring& text, Notice icon) = 0;
  // The tray menu at the cursor: `labels` in order, a separator before the last; the chosen
  // index, or nothing.
  virtual std::optional<std::size_t> TrayMenu(const std::vector<std::wstring>& labels) = 0;

  // Modal boxes, titled "Veltrane". Yes is true.
  virtual bool Ask(Question question, const std::wstring& text) = 0;
  virtual void Tell(Notice icon, const std::wstring& text) = 0;
  // The first-start dialog: true when "start with Windows, in the tray" stays ticked.
  virtual bool AskStartup() = 0;
  // The shell's folder picker: the folder chosen, or nothing (cancelled, or `error` says
  // why it could not be shown).
  virtual std::optional<std::wstring> PickFolder(const std::wstring& title,
                                                 std::wstring& error) = 0;

  virtual void StartTimer(WindowTimer timer, unsigned ms) = 0;
  virtual void StopTimer(WindowTimer timer) = 0;
  // Milliseconds of the system tick count, and seconds of the input clock.
  virtual std::uint64_t TickMs() const = 0;
  virtual double Now() const = 0;

  virtual bool CopyToClipboard(const std::wstring& text) = 0;
  // An empty text when the shell opened it, else why not.
  virtual std::wstring OpenWithShell(const std::wstring& target) = 0;
  virtual std::wstring RestartComputer() = 0;
  virtual void Log(const std::wstring& line) = 0;
  virtual std::wstring LogPath() const = 0;
  virtual void SaveSettings(const MonitorSettings& settings) = 0;
  virtual bool ServiceInstalled() = 0;

  // The health scan runs on the host's thread and reports back through the core's
  // OnHealthScanDone; Start does nothing while one runs.
  virtual void StartHealthScan() = 0;
  virtual bool ScanRunning() const = 0;
  // Drift repair over the latest results, and one repair the user asked for.
  virtual void TrackDrift() = 0;
  virtual void Repair(const std::wstring& repairKey) = 0;
};

}  // namespace gui
