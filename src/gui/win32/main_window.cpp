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
#include "gui/app_core.h"
#include "gui/loop_policy.h"
#include "gui/real_host.h"
#include "gui/step_policy.h"
#include "gui/step_window.h"
#include "gui/win32/clipboard.h"
#include "gui/win32/drawing_layer.h"
#include "gui/win32/folder_picker.h"
#include "gui/win32/graphics_modules.h"
#include "gui/win32/icon_cache.h"
#include "gui/win32/restart_computer.h"
#include "gui/win32/tray_icons.h"
#include "health/drift_repair.h"
#include "health/hardening.h"
#include "health/health_checks.h"
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
constexpr UINT kTrayId = 1;
constexpr UINT_PTR kMonitorTimer = 7, kBlinkTimer = 8;
constexpr float kClientWidth = 1340.0f, kClientHeight = 880.0f;
constexpr float kMinWidth = 1040.0f, kMinHeight = 700.0f;
// The opening fade runs this long; afterwards a still window draws nothing.
constexpr double kFadeSeconds = 0.7;
// DWM window attributes by number: the SDK of some toolchains lacks the newer names.
constexpr DWORD kDwmDarkMode = 20, kDwmBorderColour = 34, kDwmCaptionColour = 35;
constexpr COLORREF kNavyColourRef = 0x00381607;
constexpr int kStartupDialog = 100, kStartupCheckBox = 1001;

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

// The window on the desktop: carries out what AppCore decides, and forwards the window's
// messages to it.
class App final : public WindowHost {
 public:
  App(const Options& options)
      : host_(MakeGuiHost(options)),
        sink_(*this),
        steps_(host_, runner_clock_, sink_),
        updates_(host_),
        repair_host_(*this),
        core_(*this, steps_, updates_, LoadMonitorSettings(), options.assumeYes, options.show) {}
  ~App() override;

  // 0 on a normal end, 1 when the drawing layer cannot start, 2 when a new release must be
  // opened.
  int Run();

  // WindowHost
  void Show(Showing how) override;
  void Destroy() override {
    if (window_ != nullptr) ::DestroyWindow(window_);
  }
  void PostClose() override { ::PostMessageW(window_, WM_CLOSE, 0, 0); }
  bool Alive() const override { return window_ != nullptr; }
  bool Visible() const override { return ::IsWindowVisible(window_) != FALSE; }
  bool AddTray(const TrayLook& look) override;
  void ModifyTray(const TrayLook& look) override;
  void RemoveTray() override;
  void Balloon(const std::wstring& title, const std::wstring& text, Notice icon) override;
  std::optional<std::size_t> TrayMenu(const std::vector<std::wstring>& labels) override;
  bool Ask(Question question, const std::wstring& text) override;
  void Tell(Notice icon, const std::wstring& text) override;
  bool AskStartup() override;
  std::optional<std::wstring> PickFolder(const std::wstring& title, std::wstring& error) override;
  void StartTimer(WindowTimer timer, unsigned ms) override {
    ::SetTimer(window_, TimerId(timer), ms, nullptr);
  }
  void StopTimer(WindowTimer timer) override { ::KillTimer(window_, TimerId(timer)); }
  std::uint64_t TickMs() const override { return ::GetTickCount64(); }
  double Now() const override;
  bool CopyToClipboard(const std::wstring& text) override {
    return win32::CopyToClipboard(window_, text);
  }
  std::wstring OpenWithShell(const std::wstring& target) override {
    return win32::OpenWithShell(target);
  }
  std::wstring RestartComputer() override { return win32::RestartComputer(); }
  void Log(const std::wstring& line) override { AppendLog(line); }
  std::wstring LogPath() const override { return ::LogPath(); }
  void SaveSettings(const MonitorSettings& settings) override { SaveMonitorSettings(settings); }
  bool ServiceInstalled() override {
    return QueryTimerServiceState() != ServiceState::NotInstalled;
  }
  void StartHealthScan() override;
  bool ScanRunning() const override { return scan_running_; }
  void TrackDrift() override { ::TrackDrift(repair_host_); }
  void Repair(const std::wstring& repairKey) override { RepairStep(repair_host_, repairKey, true); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  static UINT_PTR TimerId(WindowTimer timer) {
    return timer == WindowTimer::kMonitor ? kMonitorTimer : kBlinkTimer;
  }

  bool CreateMainWindow();
  void ApplyWindowLook();
  // The shell's record of our icon with `flags`; with a look it carries the tooltip and
  // the icon, so a re-added icon keeps what the last scan said.
  NOTIFYICONDATAW TrayRecord(UINT flags, const TrayLook* look);
  // The latest results, copied out under the lock.
  std::vector<HealthCheck> Results(bool* scanned = nullptr);
  double SecondsSinceFirstFrame() const;
  LoopView View() const;
  void DrawFrame();
  void RenderLattices(float seconds);
  void WaitForMessage(DWORD timeoutMs);
  friend class WindowSink;
  friend class WindowRepairHost;

  HWND window_ = nullptr;
  IconCache icons_;
  TrayIcons tray_icons_;
  float dpi_ = 96.0f;
  DrawingLayer drawing_;
  bool occluded_ = false;
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
  UpdateWorker updates_;
  // Shown in Settings while no folder is chosen: Drivers, Afterburner.
  const std::array<std::wstring, 2> default_folders_{DefaultDriverFolder(),
                                                     DefaultAfterburnerFolder()};
  WindowRepairHost repair_host_;
  AppCore core_;
};

void WindowSink::PostClose() {
  const HWND window = app_.post_target_.load();
  if (window != nullptr) ::PostMessageW(window, kHandOffClose, 0, 0);
}

void WindowSink::RequestHealthScan() { app_.StartHealthScan(); }

std::mutex& WindowRepairHost::ResultsLock() { return app_.health_mutex_; }
const std::vector<HealthCheck>& WindowRepairHost::LatestResults() { return app_.results_; }
MonitorSettings WindowRepairHost::Settings() { return app_.core_.settings(); }

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

NOTIFYICONDATAW App::TrayRecord(UINT flags, const TrayLook* look) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window_;
  data.uID = kTrayId;
  data.uFlags = flags;
  if (look != nullptr) {
    wcsncpy_s(data.szTip, ARRAYSIZE(data.szTip), look->tooltip.c_str(), _TRUNCATE);
    data.hIcon = tray_icons_.Get(static_cast<UINT>(dpi_), look->dimmed);
    // Without its own icon the tray still shows that something needs a look.
    if (data.hIcon == nullptr) {
      data.hIcon =
          look->warning ? ::LoadIconW(nullptr, IDI_WARNING) : icons_.Small(static_cast<UINT>(dpi_));
    }
  }
  return data;
}

bool App::AddTray(const TrayLook& look) {
  NOTIFYICONDATAW data = TrayRecord(NIF_MESSAGE | NIF_ICON | NIF_TIP, &look);
  data.uCallbackMessage = kTrayCallback;
  if (::Shell_NotifyIconW(NIM_ADD, &data) == FALSE) return false;
  data.uVersion = NOTIFYICON_VERSION;
  ::Shell_NotifyIconW(NIM_SETVERSION, &data);
  return true;
}

void App::ModifyTray(const TrayLook& look) {
  NOTIFYICONDATAW data = TrayRecord(NIF_TIP | NIF_ICON, &look);
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void App::RemoveTray() {
  NOTIFYICONDATAW data = TrayRecord(0, nullptr);
  ::Shell_NotifyIconW(NIM_DELETE, &data);
}

void App::Balloon(const std::wstring& title, const std::wstring& text, Notice icon) {
  NOTIFYICONDATAW data = TrayRecord(NIF_INFO, nullptr);
  data.dwInfoFlags = icon == Notice::kWarning ? NIIF_WARNING : NIIF_INFO;
  wcsncpy_s(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), title.c_str(), _TRUNCATE);
  wcsncpy_s(data.szInfo, ARRAYSIZE(data.szInfo), text.c_str(), _TRUNCATE);
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

std::optional<std::size_t> App::TrayMenu(const std::vector<std::wstring>& labels) {
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return std::nullopt;
  // Entry i has the id i + 1: 0 is the menu's "nothing chosen".
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (i + 1 == labels.size()) ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, i + 1, labels[i].c_str());
  }
  POINT cursor{};
  ::GetCursorPos(&cursor);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  ::SetForegroundWindow(window_);
  const UINT chosen =
      static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON,
                                         cursor.x, cursor.y, 0, window_, nullptr));
  ::DestroyMenu(menu);
  if (chosen == 0) return std::nullopt;
  return chosen - 1;
}

bool App::Ask(Question question, const std::wstring& text) {
  UINT style = MB_YESNO;
  switch (question) {
    case Question::kStopRunningSteps:
      style |= MB_ICONWARNING | MB_DEFBUTTON2;
      break;
    case Question::kMaintainTiming:
      style |= MB_ICONQUESTION | MB_SETFOREGROUND;
      break;
    case Question::kInstallUpdate:
      style |= MB_ICONINFORMATION | MB_DEFBUTTON2 | MB_SETFOREGROUND;
      break;
  }
  return ::MessageBoxW(window_, text.c_str(), L"Veltrane", style) == IDYES;
}

void App::Tell(Notice icon, const std::wstring& text) {
  ::MessageBoxW(window_, text.c_str(), L"Veltrane",
                MB_OK | (icon == Notice::kWarning ? MB_ICONWARNING : MB_ICONINFORMATION));
}

bool App::AskStartup() {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kStartupDialog), window_,
                           &StartupDialogProcedure, 0) != 0;
}

std::optional<std::wstring> App::PickFolder(const std::wstring& title, std::wstring& error) {
  PickedFolder picked = win32::PickFolder(window_, title);
  error = picked.error;
  return picked.folder;
}

void App::Show(Showing how) {
  switch (how) {
    case Showing::kNormal:
      ::ShowWindow(window_, ::IsIconic(window_) ? SW_RESTORE : SW_SHOW);
      ::SetForegroundWindow(window_);
      return;
    case Showing::kHidden:
      ::ShowWindow(window_, SW_HIDE);
      return;
    case Showing::kMinimized:
      ::ShowWindow(window_, SW_MINIMIZE);
      return;
    case Showing::kMinimizedInactive:
      ::ShowWindow(window_, SW_SHOWMINNOACTIVE);
      return;
  }
}

double App::Now() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
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

std::vector<HealthCheck> App::Results(bool* scanned) {
  std::lock_guard<std::mutex> lock(health_mutex_);
  if (scanned != nullptr) *scanned = scanned_;
  return results_;
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
          core_.Dirty() || drawn_fade_ < 1.0f,
          drawing_.AnyLatticeDrawn()};
}

void App::DrawFrame() {
  RECT client{};
  ::GetClientRect(window_, &client);
  const float width = static_cast<float>(client.right) * 96.0f / dpi_;
  const float height = static_cast<float>(client.bottom) * 96.0f / dpi_;
  if (!first_frame_) first_frame_ = std::chrono::steady_clock::now();
  const double seconds = SecondsSinceFirstFrame();
  const float fade = static_cast<float>(std::min(seconds / kFadeSeconds, 1.0));
  drawn_fade_ = fade;
  HealthFeed health;
  health.checks = Results(&health.scanned);
  health.scanning = scan_running_;
  RenderLattices(static_cast<float>(seconds));
  drawing_.BeginFrame(palette::kNavy);
  steps_.Draw(drawing_, width, height, support::ToUtf8(kVersionText), fade, seconds,
              std::move(health), core_.FrameSettings(default_folders_));
  drawing_.EndFrame();
  core_.FrameDrawn();
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
  post_target_ = window_;
  if (!core_.Start()) return 0;
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
        DrawFrame();  // polls the steps itself
        core_.PollUpdateAndReport();
        break;
      case LoopAction::kRebuildSoon:
        // A message wait, not a sleep: Exit from the tray still gets through.
        WaitForMessage(kRebuildDelayMs);
        if (drawing_.Initialise(window_, dpi_)) core_.MarkDirty();
        break;
      case LoopAction::kWait: {
        WaitForMessage(core_.WaitMs(Visible(), occluded_).value_or(INFINITE));
        core_.Poll();
        if (occluded_) {
          occluded_ = false;  // look again with one frame
          core_.MarkDirty();
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
    core_.OnTaskbarCreated();
    return 0;
  }
  if (message == show_message_ && message != 0) {
    core_.ShowAndFocus();
    return 0;
  }
  if (message == replace_message_ && message != 0) {
    Destroy();
    return 0;
  }
  switch (message) {
    case WM_DESTROY:
      core_.OnDestroyed();
      ::PostQuitMessage(0);
      window_ = nullptr;
      return 0;
    case WM_SIZE:
      if (w != SIZE_MINIMIZED) {
        drawing_.Resize(std::max<UINT>(LOWORD(l), 1), std::max<UINT>(HIWORD(l), 1));
        core_.MarkDirty();
      }
      return 0;
    case WM_PAINT:
      ::ValidateRect(window_, nullptr);
      core_.MarkDirty();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      core_.OnClose();
      return 0;
    case kHandOffClose:
      Destroy();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize.x = static_cast<LONG>(kMinWidth * dpi_ / 96.0f);
      info->ptMinTrackSize.y = static_cast<LONG>(kMinHeight * dpi_ / 96.0f);
      return 0;
    }
    case WM_KEYDOWN:
      core_.OnKeyDown(static_cast<unsigned>(w), (l & 0x40000000) != 0,
                      (::GetKeyState(VK_SHIFT) & 0x8000) != 0);
      return 0;
    case WM_KEYUP:
      core_.OnKeyUp(static_cast<unsigned>(w));
      return 0;
    case WM_LBUTTONDOWN:
      ::SetCapture(window_);
      core_.OnPointerDown(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)), dpi_);
      return 0;
    case WM_LBUTTONUP:
      ::ReleaseCapture();
      core_.OnPointerUp(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)), dpi_);
      return 0;
    case WM_MOUSEMOVE:
      core_.OnPointerMove(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)), dpi_);
      return 0;
    case WM_MOUSEWHEEL:
      core_.OnWheel(GET_WHEEL_DELTA_WPARAM(w));
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
      core_.MarkDirty();
      return 0;
    }
    case WM_TIMER:
      if (w == kMonitorTimer) core_.OnMonitorTick();
      if (w == kBlinkTimer) core_.OnBlinkTick();
      return 0;
    case kHealthScanDone: {
      bool scanned = false;
      const std::vector<HealthCheck> results = Results(&scanned);
      core_.OnHealthScanDone(results, scanned);
      return 0;
    }
    case kHealthNotify:
      core_.OnHealthNotify(Results());
      return 0;
    case kTrayCallback:
      switch (LOWORD(l)) {
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
          core_.OnTrayClick();
          return 0;
        case WM_RBUTTONUP:
          core_.OnTrayMenu();
          return 0;
        case NIN_BALLOONUSERCLICK:
          core_.OnBalloonClick();
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
