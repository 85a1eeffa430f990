#include "gui/win32/main_window.h"

#include <windows.h>
// After windows.h, which they build on.
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/output.h"
#include "app/product.h"
#include "app/single_instance.h"
#include "gui/health_notice.h"
#include "gui/loop_policy.h"
#include "gui/tray_texts.h"
#include "gui/win32/drawing_layer.h"
#include "gui/win32/graphics_modules.h"
#include "gui/win32/health_scanner.h"
#include "gui/win32/icon_cache.h"
#include "gui/window_frame.h"
#include "health/health_summary.h"
#include "health/monitor_settings.h"
#include "support/utf.h"

namespace gui::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"Veltrane.Gui";
constexpr wchar_t kWindowTitle[] = L"Veltrane  |  Orvandel";
constexpr UINT kTrayCallback = 0x802A;
constexpr UINT kScanDone = 0x802B;
constexpr UINT kTrayId = 1;
constexpr UINT_PTR kMonitorTimer = 7;
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

// The questions of a first start; --yes answers them with the defaults.
bool AskStartup(const MonitorSettings& settings, const Options& options) {
  return !settings.startupAsked && !options.assumeYes;
}
bool AskMaintain(const MonitorSettings& settings, const Options& options) {
  return !settings.maintainAsked && !options.assumeYes;
}

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

std::uint64_t ScanIntervalMs(const MonitorSettings& settings) {
  return static_cast<std::uint64_t>(std::max(1, settings.scanHours)) * 3600000;
}

class App {
 public:
  App(const Options& options) : options_(options), settings_(LoadMonitorSettings()) {}
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
  // The shell's record of our icon with `flags`; with NIF_TIP it carries the tooltip.
  NOTIFYICONDATAW TrayRecord(UINT flags) const;
  void UpdateTrayTip();
  void ShowBalloon(const std::wstring& text);
  void StartScan();
  void MonitorTick();
  void AskFirstStartQuestions();
  void SetMaintainTiming(bool on);
  void OnScanDone();
  void HideToTrayOrMinimize();
  double SecondsSinceFirstFrame() const;
  LoopView View() const;
  void DrawFrame();
  void WaitForMessage(DWORD timeoutMs);

  const Options& options_;
  MonitorSettings settings_;
  HWND window_ = nullptr;
  IconCache icons_;
  float dpi_ = 96.0f;
  DrawingLayer drawing_;
  bool tray_added_ = false;
  std::unique_ptr<HealthScanner> scanner_;
  // Tick counts (ms) of the next scan and of the last balloon, and what the tray says.
  std::uint64_t next_scan_ms_ = 0;
  std::optional<std::uint64_t> last_balloon_ms_;
  std::wstring attention_key_;
  TrayHealth tray_health_;
  bool occluded_ = false;
  bool dirty_ = true;  // something changed since the last frame
  UINT taskbar_created_ = 0, show_message_ = 0, replace_message_ = 0;
  // The opening fade counts from the first frame: creating the device can take longer
  // than the fade itself.
  std::optional<std::chrono::steady_clock::time_point> first_frame_;
  // The fade of the last frame: the loop keeps drawing until a frame at full opacity.
  float drawn_fade_ = 0.0f;
};

App::~App() {
  // The scan thread posts to the window: it ends first. Device objects go before COM;
  // the window before its icons.
  scanner_.reset();
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

void App::AddTrayIcon() {
  NOTIFYICONDATAW data = TrayRecord(NIF_MESSAGE | NIF_ICON | NIF_TIP);
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = icons_.Small(static_cast<UINT>(dpi_));
  tray_added_ = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  if (tray_added_) {
    data.uVersion = NOTIFYICON_VERSION;
    ::Shell_NotifyIconW(NIM_SETVERSION, &data);
  }
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

void App::UpdateTrayTip() {
  if (!tray_added_) return;
  NOTIFYICONDATAW data = TrayRecord(NIF_TIP);
  ::Shell_NotifyIconW(NIM_MODIFY, &data);
}

void App::ShowBalloon(const std::wstring& text) {
  NOTIFYICONDATAW data = TrayRecord(NIF_INFO);
  data.dwInfoFlags = NIIF_WARNING;
  wcsncpy_s(data.szInfoTitle, ARRAYSIZE(data.szInfoTitle), L"Veltrane", _TRUNCATE);
  wcsncpy_s(data.szInfo, ARRAYSIZE(data.szInfo), text.c_str(), _TRUNCATE);
  if (::Shell_NotifyIconW(NIM_MODIFY, &data)) last_balloon_ms_ = ::GetTickCount64();
}

void App::SetMaintainTiming(bool on) {
  settings_.maintainTiming = on;
  settings_.maintainAsked = true;
  SaveMonitorSettings(settings_);
}

void App::AskFirstStartQuestions() {
  if (AskStartup(settings_, options_)) {
    const bool atLogin =
        ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kStartupDialog), window_,
                          &StartupDialogProcedure, 0) != 0;
    // Exit from the tray may have ended the window while the box was up.
    if (window_ == nullptr) return;
    settings_.launchAtLogin = settings_.startMinimized = settings_.closeToTray = atLogin;
    settings_.trayPrompted = settings_.startupAsked = true;
    SaveMonitorSettings(settings_);
  }
  if (AskMaintain(settings_, options_)) {
    const int answer = ::MessageBoxW(window_, kMaintainQuestion, L"Veltrane",
                                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND);
    if (window_ == nullptr) return;
    SetMaintainTiming(answer == IDYES);
  }
  dirty_ = true;  // the boxes covered the window; the surfaces are checked by the loop
}

void App::StartScan() {
  if (scanner_ != nullptr) scanner_->Start();
}

void App::MonitorTick() {
  // A failed add (the shell not up yet at sign-in) is tried again every minute.
  if (!tray_added_) AddTrayIcon();
  if (settings_.paused || scanner_ == nullptr || scanner_->Running()) return;
  if (::GetTickCount64() >= next_scan_ms_) StartScan();
}

void App::OnScanDone() {
  const std::vector<HealthCheck> results = scanner_->Results();
  const std::uint64_t now = ::GetTickCount64();
  next_scan_ms_ = now + ScanIntervalMs(settings_);
  const HealthSummary summary = SummarizeHealth(results);
  tray_health_.anyCheckRan = !results.empty();
  tray_health_.attention = summary.attention;
  tray_health_.summary = summary.text;
  UpdateTrayTip();
  std::wstring key = AttentionKey(results);
  if (key == attention_key_) return;
  attention_key_ = std::move(key);
  const std::wstring notice = AttentionNotice(results);
  const BalloonGate gate{settings_.notify, tray_added_, settings_.notifyMinutes, last_balloon_ms_};
  if (!notice.empty() && BalloonDue(gate, now)) ShowBalloon(notice);
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
    case kTrayHealthCheck:
      ShowAndFocus();
      StartScan();
      return;
    default:  // open and settings start by showing the window
      ShowAndFocus();
      return;
  }
}

void App::ShowAndFocus() {
  ::ShowWindow(window_, ::IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  ::SetForegroundWindow(window_);
  dirty_ = true;
}

void App::HideToTrayOrMinimize() {
  // Without a tray icon a hidden window could not be reached again: minimise instead.
  if (settings_.closeToTray && tray_added_) {
    ::ShowWindow(window_, SW_HIDE);
  } else if (settings_.closeToTray) {
    ::ShowWindow(window_, SW_MINIMIZE);
  } else {
    ::DestroyWindow(window_);
  }
}

double App::SecondsSinceFirstFrame() const {
  if (!first_frame_) return 0.0;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - *first_frame_).count();
}

LoopView App::View() const {
  return {::IsWindowVisible(window_) != FALSE, ::IsIconic(window_) != FALSE, occluded_,
          drawing_.Ready(), dirty_ || drawn_fade_ < 1.0f};
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
  drawing_.BeginFrame(palette::kNavy);
  DrawWindowFrame(drawing_, width, height, {support::ToUtf8(kVersionText), fade});
  drawing_.EndFrame();
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
  const bool startHidden =
      settings_.startMinimized && settings_.startupAsked && !options_.assumeYes && !options_.show;
  if (!startHidden) ShowAndFocus();
  ::SetTimer(window_, kMonitorTimer, kMonitorTickMs, nullptr);
  scanner_ = std::make_unique<HealthScanner>(window_, kScanDone);
  next_scan_ms_ = ::GetTickCount64() + ScanIntervalMs(settings_);
  if (!settings_.paused) StartScan();
  AskFirstStartQuestions();
  if (window_ == nullptr) return 0;
  ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);

  MSG message{};
  for (;;) {
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
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
      case LoopAction::kWait:
        WaitForMessage(occluded_ ? kOccludedRecheckMs : INFINITE);
        if (occluded_) {
          occluded_ = false;  // look again with one frame
          dirty_ = true;
        }
        break;
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
      HideToTrayOrMinimize();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize.x = static_cast<LONG>(kMinWidth * dpi_ / 96.0f);
      info->ptMinTrackSize.y = static_cast<LONG>(kMinHeight * dpi_ / 96.0f);
      return 0;
    }
    case WM_KEYDOWN:
      if (w == VK_ESCAPE) ::PostMessageW(window_, WM_CLOSE, 0, 0);
      dirty_ = true;
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEWHEEL:
      dirty_ = true;
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
      if (w == kMonitorTimer) MonitorTick();
      return 0;
    case kScanDone:
      OnScanDone();
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

int RunGui(const Options& options, const Arguments&) {
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
  return code;
}

}  // namespace gui::win32
