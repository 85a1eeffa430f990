#include "gui/win32/main_window.h"

#include <windows.h>
// After windows.h, which they build on.
#include <shellapi.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "afterburner/afterburner_paths.h"
#include "app/elevation.h"
#include "app/output.h"
#include "app/product.h"
#include "app/single_instance.h"
#include "driver/driver_folder.h"
#include "gui/loop_policy.h"
#include "gui/monitor_tick.h"
#include "gui/real_host.h"
#include "gui/step_policy.h"
#include "gui/step_window.h"
#include "gui/tray_texts.h"
#include "gui/update_worker.h"
#include "gui/win32/clipboard.h"
#include "gui/win32/drawing_layer.h"
#include "gui/win32/folder_picker.h"
#include "gui/win32/graphics_modules.h"
#include "gui/win32/icon_cache.h"
#include "gui/win32/restart_computer.h"
#include "gui/win32/tray_icons.h"
#include "gui/window_policy.h"
#include "health/drift_repair.h"
#include "health/hardening.h"
#include "health/health_checks.h"
#include "health/health_summary.h"
#include "health/monitor_settings.h"
#include "service/service_control.h"
#include "support/utf.h"
#include "update/take_over.h"

namespace gui::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"Veltrane.Gui";
constexpr wchar_t kWindowTitle[] = L"Veltrane  |  Orvandel";
constexpr UINT kTrayCallback = 0x802A;
constexpr UINT kHealthScanDone = 0x802B;
constexpr UINT kHealthNotify = 0x802C;
constexpr UINT kHandOffClose = 0x802D;  // an elevated copy took the install over
// How soon the loop looks at the steps again while one runs: a frame's worth when the
// window shows, a few times a second when nobody looks (chains and the full tune go on).
constexpr DWORD kActivePollMs = 33, kHiddenPollMs = 250;
constexpr UINT kTrayId = 1;
constexpr UINT_PTR kMonitorTimer = 7;
// While an update waits, the tray icon alternates between plain and dimmed.
constexpr UINT_PTR kBlinkTimer = 8;
constexpr UINT kBlinkMs = 450;
constexpr UINT kMonitorTickMs = 60000;
constexpr float kClientWidth = 1340.0f, kClientHeight = 880.0f;
constexpr float kMinWidth = 1040.0f, kMinHeight = 700.0f;
// The opening fade runs this long; afterwards a still window draws nothing.
constexpr double kFadeSeconds = 0.7;
// DWM window attributes by number: the SDK of some toolchains lacks the newer names.
constexpr DWORD kDwmDarkMode = 20, kDwmBorderColour = 34, kDwmCaptionColour = 35;
constexpr COLORREF kNavyColourRef = 0x00381607;
constexpr int kStartupDialog = 100, kStartupCheckBox = 1001;
constexpr wchar_t kMaintainQuestion[] =
    L"Automatically maintain the timing structure?\n\nOn the interval in Settings, Veltrane reads "
    L"the monitored settings and puts back any that have drifted. The usual interval is one "
    L"minute. You can change this later from Settings, the tray menu, or the home screen.";

// OK answers with the check box, Cancel with "yes" as the box starts ticked.
INT_PTR CALLBACK StartupDialogProcedure(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ::CheckDlgButton(dialog, kStartupCheckBox, BST_CHECKED);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        ::EndDialog(dialog, ::IsDlgButtonChecked(dialog, kStartupCheckBox) == BST_CHECKED);
        return TRUE;
      }
      if (LOWORD(w) == IDCANCEL) {
        ::EndDialog(dialog, 1);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

// A worker waiting for a lock sleeps for real.
class SleepClock final : public RunnerClock {
 public:
  void SleepMs(int ms) override { ::Sleep(static_cast<DWORD>(ms)); }
};

class App;

// What the scheduler asks of this window; PostClose comes from a worker thread.
class WindowSink final : public SchedulerSink {
 public:
  explicit WindowSink(App& app) : app_(app) {}
  void PostClose() override;
  void HealthLog(const std::wstring& text) override { AppendHealthLog(text); }
  void RequestHealthScan() override;

 private:
  App& app_;
};

// Drift repair's view of the window: the latest scan, the settings, and the scheduler that
// runs the owning step. Every call comes on the window thread.
class WindowRepairHost final : public RepairHost {
 public:
  explicit WindowRepairHost(App& app) : app_(app) {}
  std::mutex& ResultsLock() override;
  const std::vector<HealthCheck>& LatestResults() override;
  MonitorSettings Settings() override;
  void Harden(const std::wstring& repairKey) override { HardenStep(repairKey); }
  bool ConfirmWarning(const std::wstring& caption, const std::wstring& text) override;
  void ShowInformation(const std::wstring& text) override;
  std::uint32_t DesiredResolution() override;
  bool IsStepBusy(const std::wstring& stepKey) override;
  void StartStep(const std::wstring& stepKey, std::uint32_t resolution) override;
  void StartBackgroundScan() override;
  RepairState& Repairs() override { return repairs_; }

 private:
  App& app_;
  RepairState repairs_;
};

class App {
 public:
  App(const Options& options)
      : options_(options),
        settings_(LoadMonitorSettings()),
        host_(MakeGuiHost(options)),
        sink_(*this),
        steps_(host_, runner_clock_, sink_),
        updates_(host_),
        repair_host_(*this) {}
  ~App();

  // 0 on a normal end, 1 when the drawing layer cannot start.
  int Run();

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);

  bool CreateMainWindow();
  void ApplyWindowLook();
  void AddTrayIcon();
  void RemoveTrayIcon();
  void ShowTrayMenu();
  void OnTrayCommand(UINT command);
  void ShowAndFocus();
  void StartHealthScan();
  void OnHealthScanDone();
  void OnHealthNotify();
  void OnMonitorTick();
  // The shell's record of our icon with `flags`; with NIF_TIP it carries the tooltip, so a
  // re-added icon keeps what the last scan said.
  NOTIFYICONDATAW TrayRecord(UINT flags) const;
  // The tray's icon now: dimmed in the blink phase of a pending update.
  HICON TrayIcon();
  void UpdateTray();
  void AskFirstStartQuestions(const StartupPlan& plan);
  void SetMaintainTiming(bool on);
  double SecondsSinceFirstFrame() const;
  LoopView View() const;
  void DrawFrame();
  void RenderLattices(float seconds);
  void WaitForMessage(DWORD timeoutMs);
  void PollSteps();
  void OnUpdateTick();
  void Carry(const WindowActions& actions);
  // Settings' "Browse": the shell's folder picker, then the choice kept or refused.
  void PickSettingsFolder(int field);
  void CloseRequested();
  double Now() const;
  friend class WindowSink;
  friend class WindowRepairHost;

  const Options& options_;
  MonitorSettings settings_;
  HWND window_ = nullptr;
  IconCache icons_;
  TrayIcons tray_icons_;
  bool blink_phase_ = false;
  float dpi_ = 96.0f;
  DrawingLayer drawing_;
  bool tray_added_ = false;
  bool occluded_ = false;
  bool dirty_ = true;  // something changed since the last frame
  UINT taskbar_created_ = 0, show_message_ = 0, replace_message_ = 0;

  // The health scan runs on its own thread and posts when done; the results are shared
  // under the mutex, and every decision that reads the settings stays on this thread.
  std::thread health_thread_;
  std::atomic<bool> scan_running_{false};
  std::atomic<bool> cancel_{false};
  std::mutex health_mutex_;
  std::vector<HealthCheck> results_;     // guarded by health_mutex_
  std::vector<std::wstring> attention_;  // guarded by health_mutex_
  bool scanned_ = false;                 // guarded by health_mutex_
  bool maintain_pending_ = false;
  MonitorClock clock_;
  TrayHealth tray_health_;  // what the tooltip says
  // The opening fade counts from the first frame: creating the device can take longer
  // than the fade itself.
  std::optional<std::chrono::steady_clock::time_point> first_frame_;
  // The fade of the last frame: the loop keeps drawing until a frame at full opacity.
  float drawn_fade_ = 0.0f;

  // The steps: the host's operations, the scheduler's window side, and the handle a worker
  // may post to (the window may be gone by then).
  GuiHost host_;
  SleepClock runner_clock_;
  WindowSink sink_;
  StepWindow steps_;
  std::atomic<HWND> post_target_{nullptr};

  // The self-update: its thread, the next check, and a balloon click waiting for its
  // question (asked on the next tick, never from inside the tray callback).
  UpdateWorker updates_;
  std::uint64_t next_update_check_ = 0;
  bool prompt_requested_ = false;
  // Shown in Settings while no folder is chosen: Drivers, Afterburner.
  const std::array<std::wstring, 2> default_folders_{DefaultDriverFolder(),
                                                     ProgramFilesX86() + L"\\MSI Afterburner"};
  std::wstring shown_update_progress_;
  WindowRepairHost repair_host_;
  // The Settings panel's view of the deadlines, in seconds of the tick count; refreshed
  // every frame and written back when the panel moved one.
  screens::MonitorDeadlines deadlines_;
};

void WindowSink::PostClose() {
  const HWND window = app_.post_target_.load();
  if (window != nullptr) ::PostMessageW(window, kHandOffClose, 0, 0);
}

void WindowSink::RequestHealthScan() { app_.StartHealthScan(); }

std::mutex& WindowRepairHost::ResultsLock() { return app_.health_mutex_; }
const std::vector<HealthCheck>& WindowRepairHost::LatestResults() { return app_.results_; }
MonitorSettings WindowRepairHost::Settings() { return app_.settings_; }

bool WindowRepairHost::ConfirmWarning(const std::wstring& caption, const std::wstring& text) {
  const bool ok = ::MessageBoxW(app_.window_, text.c_str(), caption.c_str(),
                                MB_OKCANCEL | MB_ICONWARNING) == IDOK;
  app_.steps_.ModalClosed(app_.Now());
  return ok && app_.window_ != nullptr;
}

void WindowRepairHost::ShowInformation(const std::wstring& text) {
  ::MessageBoxW(app_.window_, text.c_str(), L"Veltrane", MB_OK | MB_ICONINFORMATION);
  app_.steps_.ModalClosed(app_.Now());
}

std::uint32_t WindowRepairHost::DesiredResolution() {
  return app_.host_.system ? app_.host_.system().desiredResolution : 0;
}

bool WindowRepairHost::IsStepBusy(const std::wstring& stepKey) {
  for (int i = 0; i < kStepCount; ++i) {
    if (stepKey == Step(i).id) return IsBusy(app_.steps_.scheduler().State(i));
  }
  return false;
}

void WindowRepairHost::StartStep(const std::wstring& stepKey, std::uint32_t resolution) {
  const bool manual = repairs_.pendingManual == stepKey;
  // The scheduler follows each repair by its run and logs its end exactly once, so drift
  // repair's own record is not kept past the start.
  repairs_ = {};
  for (int i = 0; i < kStepCount; ++i) {
    if (stepKey == Step(i).id) app_.steps_.scheduler().StartRepair(i, !manual, resolution);
  }
}

void WindowRepairHost::StartBackgroundScan() { app_.StartHealthScan(); }

App::~App() {
  cancel_ = true;
  post_target_ = nullptr;
  updates_.Shutdown();
  if (health_thread_.joinable()) health_thread_.join();
  // Every worker stops and is joined; a service a measurement stopped is started again,
  // unless a new release is taking this copy's place.
  steps_.scheduler().Exit(updates_.RestartPending());
  // Device objects go before COM; the window before its icons.
  drawing_.ReleaseAll();
  if (window_ != nullptr) ::DestroyWindow(window_);
}

bool App::CreateMainWindow() {
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  const UINT systemDpi = ::GetDpiForSystem();
  dpi_ = static_cast<float>(systemDpi);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &App::Procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = icons_.Big(systemDpi);
  windowClass.hIconSm = icons_.Small(systemDpi);
  windowClass.lpszClassName = kWindowClass;
  if (::RegisterClassExW(&windowClass) == 0) return false;

  // The client area is 1340 x 880 DIPs at the system DPI, centred in the work area, or at
  // its corner when it does not fit.
  RECT frame{0, 0, static_cast<LONG>(kClientWidth * dpi_ / 96.0f),
             static_cast<LONG>(kClientHeight * dpi_ / 96.0f)};
  ::AdjustWindowRectExForDpi(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0, systemDpi);
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const LONG width = frame.right - frame.left, height = frame.bottom - frame.top;
  const LONG x = std::max(work.left, work.left + (work.right - work.left - width) / 2);
  const LONG y = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
  window_ = ::CreateWindowExW(0, kWindowClass, kWindowTitle, WS_OVERLAPPEDWINDOW, x, y, width,
                              height, nullptr, nullptr, instance, this);
  if (window_ == nullptr) return false;
  // The monitor the window landed on may have another DPI than the system's.
  dpi_ = static_cast<float>(::GetDpiForWindow(window_));
  return true;
}

void App::ApplyWindowLook() {
  const auto set = Graphics().setWindowAttribute;
  if (set == nullptr) return;
  const BOOL dark = TRUE;
  set(window_, kDwmDarkMode, &dark, sizeof(dark));
  const COLORREF navy = kNavyColourRef;
  set(window_, kDwmCaptionColour, &navy, sizeof(navy));
  set(window_, kDwmBorderColour, &navy, sizeof(navy));
}

NOTIFYICONDATAW App::TrayRecord(UINT flags) const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kTrayId;
  data.uFlags = flags;
  if ((flags & NIF_TIP) != 0) {
    const std::wstring tip = TrayTooltip(tray_health_);
    wcsncpy_s(data.szTip, ARRAYSIZE(data.szTip), tip.c_str(), _TRUNCATE);
  }
  return data;
}

void App::AddTrayIcon() {
  NOTIFYICONDATAW data = TrayRecord(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = TrayIcon();
  tray_added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  if (tray_added_) {
    data.uVersion = NOTIFYICON_VERSION;
    ::Shell_NotifyIconW(NIM_SETVERSION, &data);
  }
}

void App::RemoveTrayIcon() {
  if (!tray_added_) return;
  NOTIFYICONDATAW data = TrayRecord(0);
  ::Shell_NotifyIconW(NIM_DELETE, &data);
  tray_added_ = false;
}

void App::ShowTrayMenu() {
  const TrayState state{settings_.paused, settings_.launchAtLogin, settings_.notify,
                        settings_.maintainTiming};
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return;
  for (const TrayCommand command : {kTrayOpen, kTrayHealthCheck, kTrayPause, kTraySettings,
                                    kTrayStartWithWindows, kTrayNotifications, kTrayMaintain}) {
    ::AppendMenuW(menu, MF_STRING, command, TrayMenuLabel(command, state).c_str());
  }
  ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuW(menu, MF_STRING, kTrayExit, TrayMenuLabel(kTrayExit, state).c_str());
  POINT cursor{};
  ::GetCursorPos(&cursor);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  ::SetForegroundWindow(window_);
  const UINT chosen =
      static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                         cursor.x, cursor.y, 0, window_, nullptr));
  ::DestroyMenu(menu);
  if (chosen != 0) OnTrayCommand(chosen);
}

void App::OnTrayCommand(UINT command) {
  switch (command) {
    case kTrayHealthCheck:
      ShowAndFocus();
      steps_.scheduler().ShowHealth();
      StartHealthScan();
      return;
    case kTrayPause:
      settings_.paused = !settings_.paused;
      SaveMonitorSettings(settings_);
      return;
    case kTrayStartWithWindows:
      settings_.launchAtLogin = !settings_.launchAtLogin;
      settings_.startMinimized = settings_.launchAtLogin;
      if (settings_.launchAtLogin) settings_.closeToTray = true;
      SaveMonitorSettings(settings_);
      return;
    case kTrayNotifications:
      settings_.notify = !settings_.notify;
      SaveMonitorSettings(settings_);
      return;
    case kTrayMaintain:
      SetMaintainTiming(!settings_.maintainTiming);
      return;
    case kTrayExit:
      ::DestroyWindow(window_);
      return;
    case kTraySettings:
      ShowAndFocus();
      steps_.Open(Panel::kSettings);
      dirty_ = true;
      return;
    default:  // open and health check start by showing the window
      ShowAndFocus();
      return;
  }
}

void App::ShowAndFocus() {
  ::ShowWindow(window_, ::IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(window_);
  dirty_ = true;
}

void App::CloseRequested() {
  switch (DecideClose(steps_.Active(), settings_.closeToTray, tray_added_)) {
    case CloseAction::kAskFirst: {
      // Closing ends the program, and with it the steps that still run.
      const int answer = ::MessageBoxW(window_,
                                       L"Steps are still running. Closing Veltrane stops them.\n\n"
                                       L"Stop them and close?",
                                       L"Veltrane", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
      if (window_ == nullptr) return;
      steps_.ModalClosed(Now());
      if (answer == IDYES) ::DestroyWindow(window_);
      return;
    }
    case CloseAction::kHideToTray:
      ::ShowWindow(window_, SW_HIDE);
      return;
    case CloseAction::kMinimize:
      ::ShowWindow(window_, SW_MINIMIZE);
      return;
    case CloseAction::kClose:
      ::DestroyWindow(window_);
      return;
  }
}

void App::StartHealthScan() {
  if (scan_running_) return;
  if (health_thread_.joinable()) health_thread_.join();
  scan_running_ = true;
  const HWND window = window_;
  health_thread_ = std::thread([this, window] {
    std::vector<HealthCheck> results = RunHealthChecks(&cancel_);
    if (cancel_) {
      scan_running_ = false;
      return;
    }
    std::vector<std::wstring> attention = AttentionIds(results);
    bool changed = false;
    {
      std::lock_guard<std::mutex> lock(health_mutex_);
      changed = attention != attention_;
      results_ = std::move(results);
      attention_ = std::move(attention);
      scanned_ = true;
    }
    scan_running_ = false;
    ::PostMessageW(window, kHealthScanDone, 0, 0);
    if (changed) ::PostMessageW(window, kHealthNotify, 0, 0);
  });
}

HICON App::TrayIcon() {
  const bool dimmed = tray_health_.updatePending && blink_phase_;
  if (HICON icon = tray_icons_.Get(static_cast<UINT>(dpi_), dimmed)) return icon;
  // Without its own icon the tray still shows that something needs a look.
  if (tray_health_.attention > 0) return ::LoadIconW(nullptr, IDI_WARNING);
  return icons_.Small(static_cast<UINT>(dpi_));
}

void App::UpdateTray() {
  if (!tray_added_) return;
  NOTIFYICONDATAW data = TrayRecord(NIF_TIP | NIF_ICON);
  data.hIcon = TrayIcon();
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void App::OnHealthScanDone() {
  clock_.nextScan = ::GetTickCount64() + HoursMs(settings_.scanHours);
  TrayHealth& health = tray_health_;
  {
    std::lock_guard<std::mutex> lock(health_mutex_);
    const HealthSummary summary = SummarizeHealth(results_);
    health.anyCheckRan = scanned_ && !results_.empty();
    health.attention = summary.attention;
    health.summary = summary.text;
  }
  UpdateTray();
  // Home and Health show the new results; a still window would otherwise keep "Checking".
  dirty_ = true;
  if (maintain_pending_) {
    maintain_pending_ = false;
    TrackDrift(repair_host_);
  }
}

void App::OnHealthNotify() {
  std::optional<std::wstring> text;
  {
    std::lock_guard<std::mutex> lock(health_mutex_);
    text = BalloonFor(::GetTickCount64(), settings_, tray_added_, results_, clock_);
  }
  if (!text) return;
  NOTIFYICONDATAW data = TrayRecord(NIF_INFO);
  data.dwInfoFlags = NIIF_WARNING;
  wcsncpy_s(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), L"Veltrane", _TRUNCATE);
  wcsncpy_s(data.szInfo, ARRAYSIZE(data.szInfo), text->c_str(), _TRUNCATE);
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void App::SetMaintainTiming(bool on) {
  settings_.maintainTiming = on;
  settings_.maintainAsked = true;
  SaveMonitorSettings(settings_);
  if (!on) return;
  clock_.nextMaintain = ::GetTickCount64() + MinutesMs(settings_.maintainMinutes);
  if (!scan_running_ && !maintain_pending_) {
    maintain_pending_ = true;
    StartHealthScan();
  }
}

void App::AskFirstStartQuestions(const StartupPlan& plan) {
  if (plan.askStartup) {
    const bool atLogin =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kStartupDialog), window_,
                          &StartupDialogProcedure, 0) != 0;
    // Exit from the tray may have ended the window while the box was up.
    if (window_ == nullptr) return;
    settings_.launchAtLogin = settings_.startMinimized = settings_.closeToTray = atLogin;
    settings_.trayPrompted = settings_.startupAsked = true;
    SaveMonitorSettings(settings_);
  }
  if (plan.askMaintain) {
    const int answer = ::MessageBoxW(window_, kMaintainQuestion, L"Veltrane",
                                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    if (window_ == nullptr) return;
    SetMaintainTiming(answer == IDYES);
  }
  dirty_ = true;  // the boxes covered the window; the surfaces are checked by the loop
}

double App::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void App::PollSteps() {
  const bool changed = steps_.Poll();
  const std::wstring progress = updates_.ApplyProgress();
  const bool updateChanged = progress != shown_update_progress_;
  shown_update_progress_ = progress;
  steps_.SetUpdate(updates_.Available(), progress);
  if (::IsWindowVisible(window_) && (changed || updateChanged || steps_.Active())) dirty_ = true;
  if (const auto report = steps_.TakeReport()) {
    steps_.ReportCopied(CopyToClipboard(window_, *report));
    dirty_ = true;
  }
  OnUpdateTick();
}

void App::OnUpdateTick() {
  if (updates_.RestartPending()) {
    // The release is in place: this copy ends and the new one opens.
    if (window_ != nullptr) ::DestroyWindow(window_);
    return;
  }
  // The service state is read only when the question needs it: this runs every poll.
  const bool asking = prompt_requested_;
  const UpdateTick tick = updates_.Take(
      asking, kVersionText, asking && QueryTimerServiceState() != ServiceState::NotInstalled);
  switch (tick.kind) {
    case UpdateTick::Kind::kNone:
      return;
    case UpdateTick::Kind::kError:
      ::MessageBoxW(window_, tick.text.c_str(), L"Veltrane", MB_OK | MB_ICONWARNING);
      break;
    case UpdateTick::Kind::kAnnounce: {
      tray_health_.updatePending = true;
      UpdateTray();
      ::SetTimer(window_, kBlinkTimer, kBlinkMs, nullptr);
      NOTIFYICONDATAW data = TrayRecord(NIF_INFO);
      data.dwInfoFlags = NIIF_INFO;
      wcsncpy_s(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), L"Veltrane update", _TRUNCATE);
      wcsncpy_s(data.szInfo, ARRAYSIZE(data.szInfo), tick.text.c_str(), _TRUNCATE);
      ::Shell_NotifyIconW(NIM_MODIFY, &data);
      return;
    }
    case UpdateTick::Kind::kAsk:
      prompt_requested_ = false;
      if (steps_.Active()) {
        // The update replaces this program, which would stop the steps half done.
        ::MessageBoxW(window_,
                      L"Steps are still running. Install the update when they have finished.",
                      L"Veltrane", MB_OK | MB_ICONINFORMATION);
      } else if (::MessageBoxW(window_, tick.text.c_str(), L"Veltrane",
                               MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND) ==
                 IDYES) {
        updates_.StartApply(tick.offer);
      }
      break;
  }
  // A box was up: the window may be gone, and the click that closed it must not act.
  if (window_ == nullptr) return;
  steps_.ModalClosed(Now());
  dirty_ = true;
}

void App::Carry(const WindowActions& actions) {
  if (actions.scan) StartHealthScan();
  if (actions.installUpdate) prompt_requested_ = true;  // asked, or refused, on the next tick
  if (actions.pickFolder >= 0) PickSettingsFolder(actions.pickFolder);
  if (!actions.repairKey.empty()) RepairStep(repair_host_, actions.repairKey, true);
  if (!actions.openUrl.empty()) {
    const std::wstring error = OpenWithShell(actions.openUrl);
    if (!error.empty()) AppendLog(error);
  }
  if (actions.settingsChanged) {
    clock_.nextScan = static_cast<std::uint64_t>(deadlines_.health_scan * 1000.0);
    clock_.nextMaintain = static_cast<std::uint64_t>(deadlines_.maintain * 1000.0);
    next_update_check_ = static_cast<std::uint64_t>(deadlines_.update * 1000.0);
    if (settings_.maintainTiming && clock_.nextMaintain == 0) {
      clock_.nextMaintain = ::GetTickCount64() + MinutesMs(settings_.maintainMinutes);
    }
    UpdateTray();
  }
  if (actions.openLog) {
    const std::wstring error = OpenWithShell(LogPath());
    if (!error.empty()) AppendLog(error);
  }
  if (actions.restart) {
    const std::wstring error = RestartComputer();
    if (!error.empty()) {
      AppendLog(L"Restart: " + error);
      steps_.SetRestartMessage(error);
    }
  }
  if (actions.close) ::PostMessageW(window_, WM_CLOSE, 0, 0);
  dirty_ = true;
}

void App::PickSettingsFolder(int field) {
  const screens::FolderField& f = screens::kFolderFields[static_cast<std::size_t>(field)];
  const PickedFolder picked = PickFolder(window_, f.pickerTitle);
  // The picker was modal: the window may be gone, and its closing click must not act.
  if (window_ == nullptr) return;
  steps_.ModalClosed(Now());
  if (!picked.error.empty()) {
    steps_.SetFolderNote(picked.error);
  } else if (picked.folder) {
    steps_.SetFolderNote(screens::ChooseFolder(settings_, f.value, *picked.folder));
  }
}

void App::OnMonitorTick() {
  PollSteps();
  if (window_ == nullptr) return;
  if (::GetTickCount64() >= next_update_check_) {
    next_update_check_ = ::GetTickCount64() + MinutesMs(std::max(1, settings_.updateMinutes));
    updates_.StartCheck();
  }
  // A failed add (the shell not up yet at sign-in) is tried again every minute.
  if (!tray_added_) AddTrayIcon();
  const MonitorTickResult tick =
      MonitorTick(::GetTickCount64(), settings_, scan_running_, maintain_pending_, clock_);
  if (tick.maintainPass) maintain_pending_ = true;
  if (tick.startScan) StartHealthScan();
}

double App::SecondsSinceFirstFrame() const {
  if (!first_frame_) return 0.0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - *first_frame_).count();
}

LoopView App::View() const {
  return {::IsWindowVisible(window_) != FALSE,
          ::IsIconic(window_) != FALSE,
          occluded_,
          drawing_.Ready(),
          dirty_ || drawn_fade_ < 1.0f,
          drawing_.AnyLatticeDrawn()};
}

void App::DrawFrame() {
  dirty_ = false;
  RECT client{};
  ::GetClientRect(window_, &client);
  const float width = static_cast<float>(client.right) * 96.0f / dpi_;
  const float height = static_cast<float>(client.bottom) * 96.0f / dpi_;
  if (!first_frame_) first_frame_ = std::chrono::steady_clock::now();
  const double seconds = SecondsSinceFirstFrame();
  const float fade = static_cast<float>(std::min(seconds / kFadeSeconds, 1.0));
  drawn_fade_ = fade;
  HealthFeed health;
  {
    std::lock_guard<std::mutex> lock(health_mutex_);
    health.checks = results_;
    health.scanned = scanned_;
  }
  health.scanning = scan_running_;
  const double now = static_cast<double>(::GetTickCount64()) / 1000.0;
  deadlines_ = {static_cast<double>(clock_.nextScan) / 1000.0,
                static_cast<double>(clock_.nextMaintain) / 1000.0,
                static_cast<double>(next_update_check_) / 1000.0};
  RenderLattices(static_cast<float>(seconds));
  drawing_.BeginFrame(palette::kNavy);
  steps_.Draw(drawing_, width, height, support::ToUtf8(kVersionText), fade, seconds,
              std::move(health), {&settings_, &deadlines_, now, default_folders_});
  drawing_.EndFrame();
  if (steps_.Animating()) dirty_ = true;
}

void App::RenderLattices(float seconds) {
  // Before the Direct2D pass: the frame draws each source's finished target. A source is
  // rendered when the coming screen shows it or the last frame drew it (a page sliding out).
  for (int source = 0; source < kLatticeSources; ++source) {
    const LatticeSource lattice = steps_.Lattice(source);
    if (lattice.picture != nullptr && (lattice.shown || drawing_.LatticeDrawn(source)))
      drawing_.RenderLattice(source, *lattice.picture, lattice.version, seconds);
  }
  const std::string error = drawing_.TakeLatticeError();
  if (!error.empty()) AppendLog(L"Lattice renderer unavailable: " + support::FromUtf8(error));
}

void App::WaitForMessage(DWORD timeoutMs) {
  ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

int App::Run() {
  if (!CreateMainWindow()) {
    AppendLog(L"The window could not be created.");
    return 1;
  }
  ApplyWindowLook();
  if (!drawing_.Initialise(window_, dpi_)) {
    AppendLog(L"Drawing layer: " + drawing_.error());
    ::MessageBoxW(nullptr,
                  L"Direct2D initialisation failed. Use the command line: Veltrane.exe --cli",
                  L"Veltrane", MB_OK | MB_ICONERROR);
    return 1;
  }
  for (const std::wstring& note : drawing_.font_notes()) AppendLog(note);
  taskbar_created_ = ::RegisterWindowMessageW(L"TaskbarCreated");
  show_message_ = ::RegisterWindowMessageW(L"Veltrane.Show");
  replace_message_ = ::RegisterWindowMessageW(L"Veltrane.Replace");
  // An elevated window still hears the shell restart and a second copy started by the user.
  for (const UINT message : {taskbar_created_, show_message_, replace_message_})
    ::ChangeWindowMessageFilterEx(window_, message, MSGFLT_ALLOW, nullptr);
  AddTrayIcon();
  post_target_ = window_;
  steps_.Start();
  const StartupPlan plan = PlanStartup(settings_, options_.assumeYes, options_.show, tray_added_);
  if (plan.show == StartupPlan::Show::kNormal) ShowAndFocus();
  if (plan.show == StartupPlan::Show::kMinimized) ::ShowWindow(window_, SW_SHOWMINNOACTIVE);
  ::SetTimer(window_, kMonitorTimer, kMonitorTickMs, nullptr);
  clock_.nextScan = ::GetTickCount64() + HoursMs(settings_.scanHours);
  if (!settings_.paused) StartHealthScan();
  next_update_check_ = ::GetTickCount64() + MinutesMs(std::max(1, settings_.updateMinutes));
  updates_.StartCheck();
  AskFirstStartQuestions(plan);
  if (window_ == nullptr) return 0;
  steps_.ModalClosed(Now());
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);

  MSG message{};
  for (;;) {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      // 2: a new release took this copy's place and must be opened.
      if (message.message == WM_QUIT) return updates_.RestartPending() ? 2 : 0;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    switch (NextLoopAction(View())) {
      case LoopAction::kDraw:
        DrawFrame();
        break;
      case LoopAction::kRebuildSoon:
        // A message wait, not a sleep: Exit from the tray still gets through.
        WaitForMessage(kRebuildDelayMs);
        if (drawing_.Initialise(window_, dpi_)) dirty_ = true;
        break;
      case LoopAction::kWait: {
        const bool visible = ::IsWindowVisible(window_) != FALSE;
        DWORD timeout = occluded_ ? kOccludedRecheckMs : INFINITE;
        if (steps_.Active() || updates_.Applying()) {
          timeout = visible && !occluded_ ? kActivePollMs : kHiddenPollMs;
        }
        WaitForMessage(timeout);
        PollSteps();
        if (occluded_) {
          occluded_ = false;  // look again with one frame
          dirty_ = true;
        }
        break;
      }
    }
  }
}

LRESULT CALLBACK App::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* app = static_cast<App*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
    app->window_ = window;
  }
  auto* app = reinterpret_cast<App*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  return app != nullptr ? app->Handle(message, w, l) : ::DefWindowProcW(window, message, w, l);
}

LRESULT App::Handle(UINT message, WPARAM w, LPARAM l) {
  if (message == taskbar_created_ && message != 0) {
    AddTrayIcon();
    return 0;
  }
  if (message == show_message_ && message != 0) {
    ShowAndFocus();
    return 0;
  }
  if (message == replace_message_ && message != 0) {
    ::DestroyWindow(window_);
    return 0;
  }
  switch (message) {
    case WM_DESTROY:
      RemoveTrayIcon();
      ::KillTimer(window_, kMonitorTimer);
      ::PostQuitMessage(0);
      window_ = nullptr;
      return 0;
    case WM_SIZE:
      if (w != SIZE_MINIMIZED) {
        drawing_.Resize(std::max<UINT>(LOWORD(l), 1), std::max<UINT>(HIWORD(l), 1));
        dirty_ = true;
      }
      return 0;
    case WM_PAINT:
      ::ValidateRect(window_, nullptr);
      dirty_ = true;
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      CloseRequested();
      return 0;
    case kHandOffClose:
      ::DestroyWindow(window_);
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize.x = static_cast<LONG>(kMinWidth * dpi_ / 96.0f);
      info->ptMinTrackSize.y = static_cast<LONG>(kMinHeight * dpi_ / 96.0f);
      return 0;
    }
    case WM_KEYDOWN: {
      dirty_ = true;
      if (w == VK_ESCAPE) {
        ::PostMessageW(window_, WM_CLOSE, 0, 0);
        return 0;
      }
      const bool repeat = (l & 0x40000000) != 0;
      const bool shift = (::GetKeyState(VK_SHIFT) & 0x8000) != 0;
      std::optional<Key> key;
      if (w == VK_RETURN) key = Key::kEnter;
      if (w == VK_SPACE) key = Key::kSpace;
      if (w == VK_TAB) key = shift ? Key::kShiftTab : Key::kTab;
      if (w == VK_PRIOR) key = Key::kPageUp;
      if (w == VK_NEXT) key = Key::kPageDown;
      if (key) Carry(steps_.KeyDown(*key, repeat, Now()));
      return 0;
    }
    case WM_KEYUP:
      if (w == VK_RETURN) steps_.KeyUp(Key::kEnter);
      if (w == VK_SPACE) steps_.KeyUp(Key::kSpace);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: {
      const float x = static_cast<float>(static_cast<short>(LOWORD(l))) * 96.0f / dpi_;
      const float y = static_cast<float>(static_cast<short>(HIWORD(l))) * 96.0f / dpi_;
      if (message == WM_LBUTTONDOWN) {
        ::SetCapture(window_);
        Carry(steps_.PointerDown(x, y, Now()));
      } else {
        ::ReleaseCapture();
        Carry(steps_.PointerUp(x, y, Now()));
      }
      return 0;
    }
    case WM_MOUSEMOVE: {
      const float x = static_cast<float>(static_cast<short>(LOWORD(l))) * 96.0f / dpi_;
      const float y = static_cast<float>(static_cast<short>(HIWORD(l))) * 96.0f / dpi_;
      if (steps_.PointerMove(x, y)) dirty_ = true;
      return 0;
    }
    case WM_MOUSEWHEEL:
      // One notch (120) scrolls three rows of 24 DIPs; a wheel turned away from the user
      // (positive) moves the list up.
      if (steps_.Wheel(-static_cast<float>(GET_WHEEL_DELTA_WPARAM(w)) * 72.0f / WHEEL_DELTA)) {
        dirty_ = true;
      }
      return 0;
    case WM_DPICHANGED: {
      dpi_ = static_cast<float>(HIWORD(w));
      drawing_.SetDpi(dpi_);
      ::SendMessageW(window_, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(icons_.Big(HIWORD(w))));
      ::SendMessageW(window_, WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(icons_.Small(HIWORD(w))));
      const RECT* suggested = reinterpret_cast<RECT*>(l);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      dirty_ = true;
      return 0;
    }
    case WM_TIMER:
      if (w == kMonitorTimer) OnMonitorTick();
      if (w == kBlinkTimer) {
        blink_phase_ = tray_health_.updatePending && !blink_phase_;
        if (!tray_health_.updatePending) ::KillTimer(window_, kBlinkTimer);
        UpdateTray();
      }
      return 0;
    case kHealthScanDone:
      OnHealthScanDone();
      return 0;
    case kHealthNotify:
      OnHealthNotify();
      return 0;
    case kTrayCallback:
      switch (LOWORD(l)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
          ShowAndFocus();
          return 0;
        case WM_RBUTTONUP:
          ShowTrayMenu();
          return 0;
        case NIN_BALLOONUSERCLICK:
          ShowAndFocus();
          // The question comes on the next tick, after this callback has returned.
          if (tray_health_.updatePending) prompt_requested_ = true;
          return 0;
      }
      return 0;
  }
  return ::DefWindowProcW(window_, message, w, l);
}

// Another copy holds the lock: wake its window rather than start a second one.
int HandOffToRunningCopy() {
  const UINT show = ::RegisterWindowMessageW(L"Veltrane.Show");
  // The first copy may still be on its way up: give its window a moment to appear.
  for (int attempt = 0; attempt < 25 && ::FindWindowW(kWindowClass, nullptr) == nullptr;
       ++attempt) {
    ::Sleep(100);
  }
  DWORD recipients = BSM_APPLICATIONS;
  ::BroadcastSystemMessageW(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients, show, 0, 0);
  return 0;
}

}  // namespace

int RunGui(const Options& options, const Arguments& args) {
  // Copies converge before any window: leftovers of a replacement go, and a newer copy (or
  // one of this version already running) takes over, in which case this one just ends.
  update::DeleteLeftovers();
  if (!update::TakeOverFromOtherCopies(ElevationParameters(args))) return 0;
  auto lock = AcquireSingleInstance();
  if (!lock) {
    if (lock.error().code == support::ErrorCode::kAlreadyExists) return HandOffToRunningCopy();
    AppendLog(L"The single-instance lock could not be created.");
  }
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int code = 0;
  {
    // The drawing layer and its font loaders go before COM does.
    App app(options);
    code = app.Run();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  if (code != 2) return code;
  if (update::RelaunchWithShow()) return 0;
  ::MessageBoxW(nullptr, L"The new version is in place, but Veltrane could not reopen it.",
                L"Veltrane", MB_OK | MB_ICONWARNING);
  return 1;
}

}  // namespace gui::win32
