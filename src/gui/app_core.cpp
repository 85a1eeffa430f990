#include "gui/app_core.h"

#include <algorithm>

#include "app/product.h"
#include "gui/loop_policy.h"
#include "gui/window_policy.h"
#include "health/health_summary.h"

namespace gui {

namespace {

constexpr wchar_t kMaintainQuestion[] =
    L"Automatically maintain the timing structure?\n\nOn the interval in Settings, Veltrane reads "
    L"the monitored settings and puts back any that have drifted. The usual interval is one "
    L"minute. You can change this later from Settings, the tray menu, or the home screen.";
constexpr wchar_t kStopStepsQuestion[] =
    L"Steps are still running. Closing Veltrane stops them.\n\nStop them and close?";
constexpr wchar_t kUpdateWhileRunning[] =
    L"Steps are still running. Install the update when they have finished.";

// The menu's entries in order; the last one follows a separator.
constexpr std::array<TrayCommand, 8> kTrayMenu = {
    kTrayOpen,          kTrayHealthCheck, kTrayPause, kTraySettings, kTrayStartWithWindows,
    kTrayNotifications, kTrayMaintain,    kTrayExit};

float Dips(int pixels, float dpi) { return static_cast<float>(pixels) * 96.0f / dpi; }

}  // namespace

AppCore::AppCore(WindowHost& host, StepWindow& steps, UpdateWorker& updates,
                 MonitorSettings settings, bool assumeYes, bool showRequested)
    : host_(host),
      steps_(steps),
      updates_(updates),
      settings_(std::move(settings)),
      assumeYes_(assumeYes),
      showRequested_(showRequested) {}

bool AppCore::Start() {
  AddTray();
  steps_.Start();
  const StartupPlan plan = PlanStartup(settings_, assumeYes_, showRequested_, trayAdded_);
  if (plan.show == StartupPlan::Show::kNormal) ShowAndFocus();
  if (plan.show == StartupPlan::Show::kMinimized) host_.Show(Showing::kMinimizedInactive);
  host_.StartTimer(WindowTimer::kMonitor, kMonitorTickMs);
  clock_.nextScan = host_.TickMs() + HoursMs(settings_.scanHours);
  if (!settings_.paused) host_.StartHealthScan();
  nextUpdateCheck_ = host_.TickMs() + MinutesMs(settings_.updateMinutes);
  updates_.StartCheck();
  AskFirstStartQuestions(plan.askStartup, plan.askMaintain);
  if (!host_.Alive()) return false;
  steps_.ModalClosed(host_.Now());
  return true;
}

void AppCore::AskFirstStartQuestions(bool askStartup, bool askMaintain) {
  if (askStartup) {
    const bool atLogin = Modal([&] { return host_.AskStartup(); });
    // Exit from the tray may have ended the window while the dialog was up.
    if (!host_.Alive()) return;
    settings_.launchAtLogin = settings_.startMinimized = settings_.closeToTray = atLogin;
    settings_.trayPrompted = settings_.startupAsked = true;
    host_.SaveSettings(settings_);
  }
  if (askMaintain) {
    const bool yes = Modal([&] { return host_.Ask(Question::kMaintainTiming, kMaintainQuestion); });
    if (!host_.Alive()) return;
    SetMaintainTiming(yes);
  }
  dirty_ = true;  // the boxes covered the window; the surfaces are checked by the loop
}

void AppCore::OnClose() {
  switch (DecideClose(steps_.Active(), settings_.closeToTray, trayAdded_)) {
    case CloseAction::kAskFirst: {
      // Closing ends the program, and with it the steps that still run.
      const bool yes =
          Modal([&] { return host_.Ask(Question::kStopRunningSteps, kStopStepsQuestion); });
      if (AfterModal() && yes) host_.Destroy();
      return;
    }
    case CloseAction::kHideToTray:
      host_.Show(Showing::kHidden);
      return;
    case CloseAction::kMinimize:
      host_.Show(Showing::kMinimized);
      return;
    case CloseAction::kClose:
      host_.Destroy();
      return;
  }
}

void AppCore::OnDestroyed() {
  if (trayAdded_) host_.RemoveTray();
  trayAdded_ = false;
  host_.StopTimer(WindowTimer::kMonitor);
}

bool AppCore::AfterModal() {
  if (!host_.Alive()) return false;
  steps_.ModalClosed(host_.Now());
  dirty_ = true;
  return true;
}

void AppCore::ShowAndFocus() {
  host_.Show(Showing::kNormal);
  dirty_ = true;
}

TrayLook AppCore::Look() const {
  return {TrayTooltip(trayHealth_), trayHealth_.updatePending && blinkPhase_,
          trayHealth_.attention > 0};
}

void AppCore::AddTray() { trayAdded_ = host_.AddTray(Look()); }

void AppCore::UpdateTray() {
  if (trayAdded_) host_.ModifyTray(Look());
}

void AppCore::OnTrayMenu() {
  const TrayState state{settings_.paused, settings_.launchAtLogin, settings_.notify,
                        settings_.maintainTiming};
  std::vector<std::wstring> labels;
  for (const TrayCommand command : kTrayMenu) labels.push_back(TrayMenuLabel(command, state));
  const std::optional<std::size_t> chosen = Modal([&] { return host_.TrayMenu(labels); });
  if (chosen && *chosen < kTrayMenu.size()) OnTrayCommand(kTrayMenu[*chosen]);
}

void AppCore::OnTrayCommand(TrayCommand command) {
  switch (command) {
    case kTrayHealthCheck:
      ShowAndFocus();
      steps_.scheduler().ShowHealth();
      host_.StartHealthScan();
      return;
    case kTrayPause:
      settings_.paused = !settings_.paused;
      host_.SaveSettings(settings_);
      return;
    case kTrayStartWithWindows:
      settings_.launchAtLogin = !settings_.launchAtLogin;
      settings_.startMinimized = settings_.launchAtLogin;
      if (settings_.launchAtLogin) settings_.closeToTray = true;
      host_.SaveSettings(settings_);
      return;
    case kTrayNotifications:
      settings_.notify = !settings_.notify;
      host_.SaveSettings(settings_);
      return;
    case kTrayMaintain:
      SetMaintainTiming(!settings_.maintainTiming);
      return;
    case kTrayExit:
      host_.Destroy();
      return;
    case kTraySettings:
      ShowAndFocus();
      steps_.Open(Panel::kSettings);
      return;
    case kTrayOpen:
      ShowAndFocus();
      return;
  }
}

void AppCore::OnBalloonClick() {
  ShowAndFocus();
  // The question comes on the next poll, after the tray callback has returned.
  if (trayHealth_.updatePending) promptRequested_ = true;
}

void AppCore::SetMaintainTiming(bool on) {
  settings_.maintainTiming = on;
  settings_.maintainAsked = true;
  host_.SaveSettings(settings_);
  if (!on) return;
  clock_.nextMaintain = host_.TickMs() + MinutesMs(settings_.maintainMinutes);
  if (!host_.ScanRunning() && !maintainPending_) {
    maintainPending_ = true;
    host_.StartHealthScan();
  }
}

void AppCore::OnMonitorTick() {
  Poll();
  if (!host_.Alive()) return;
  if (host_.TickMs() >= nextUpdateCheck_) {
    nextUpdateCheck_ = host_.TickMs() + MinutesMs(settings_.updateMinutes);
    updates_.StartCheck();
  }
  // A failed add (the shell not up yet at sign-in) is tried again every minute.
  if (!trayAdded_) AddTray();
  const MonitorTickResult tick =
      MonitorTick(host_.TickMs(), settings_, host_.ScanRunning(), maintainPending_, clock_);
  if (tick.maintainPass) maintainPending_ = true;
  if (tick.startScan) host_.StartHealthScan();
}

void AppCore::OnBlinkTick() {
  blinkPhase_ = trayHealth_.updatePending && !blinkPhase_;
  if (!trayHealth_.updatePending) host_.StopTimer(WindowTimer::kBlink);
  UpdateTray();
}

void AppCore::OnHealthScanDone(const std::vector<HealthCheck>& results, bool scanned) {
  clock_.nextScan = host_.TickMs() + HoursMs(settings_.scanHours);
  const HealthSummary summary = SummarizeHealth(results);
  trayHealth_.anyCheckRan = scanned && !results.empty();
  trayHealth_.attention = summary.attention;
  trayHealth_.summary = summary.text;
  UpdateTray();
  // Home and Health show the new results; a still window would otherwise keep "Checking".
  dirty_ = true;
  if (maintainPending_) {
    maintainPending_ = false;
    host_.TrackDrift();
  }
}

void AppCore::OnHealthNotify(const std::vector<HealthCheck>& results) {
  const std::optional<std::wstring> text =
      BalloonFor(host_.TickMs(), settings_, trayAdded_, results, clock_);
  if (text) host_.Balloon(L"Veltrane", *text, Notice::kWarning);
}

void AppCore::Poll() {
  if (steps_.Poll() && host_.Visible()) dirty_ = true;
  PollUpdateAndReport();
}

void AppCore::PollUpdateAndReport() {
  const std::wstring progress = updates_.ApplyProgress();
  const bool updateChanged = progress != shownUpdateProgress_;
  shownUpdateProgress_ = progress;
  steps_.SetUpdate(updates_.Available(), progress);
  if (host_.Visible() && (updateChanged || steps_.Active())) dirty_ = true;
  if (const auto report = steps_.TakeReport()) {
    steps_.ReportCopied(host_.CopyToClipboard(*report));
    dirty_ = true;
  }
  OnUpdateTick();
}

std::optional<unsigned> AppCore::WaitMs(bool visible, bool occluded) const {
  if (steps_.Active() || updates_.Applying()) {
    return visible && !occluded ? kActivePollMs : kHiddenPollMs;
  }
  if (occluded) return kOccludedRecheckMs;
  return std::nullopt;
}

void AppCore::OnUpdateTick() {
  // A timer that fires while a box is up must not open another over it; the update's news
  // waits for the next poll after the box.
  if (modalDepth_ > 0) return;
  if (updates_.RestartPending()) {
    // The release is in place: this copy ends and the new one opens.
    if (host_.Alive()) host_.Destroy();
    return;
  }
  // The service state is read only when the question needs it: this runs every poll.
  const bool asking = promptRequested_;
  const UpdateTick tick = updates_.Take(asking, kVersionText, asking && host_.ServiceInstalled());
  switch (tick.kind) {
    case UpdateTick::Kind::kNone:
      return;
    case UpdateTick::Kind::kError:
      Modal([&] { host_.Tell(Notice::kWarning, tick.text); });
      break;
    case UpdateTick::Kind::kAnnounce:
      trayHealth_.updatePending = true;
      UpdateTray();
      host_.StartTimer(WindowTimer::kBlink, kBlinkMs);
      host_.Balloon(L"Veltrane update", tick.text, Notice::kInformation);
      return;
    case UpdateTick::Kind::kAsk:
      promptRequested_ = false;
      if (steps_.Active()) {
        // The update replaces this program, which would stop the steps half done.
        Modal([&] { host_.Tell(Notice::kInformation, kUpdateWhileRunning); });
        break;
      }
      const bool yes = Modal([&] { return host_.Ask(Question::kInstallUpdate, tick.text); });
      if (!AfterModal()) return;
      EndUpdatePending();
      if (yes) updates_.StartApply(tick.offer);
      return;
  }
  AfterModal();
}

void AppCore::EndUpdatePending() {
  trayHealth_.updatePending = false;
  blinkPhase_ = false;
  host_.StopTimer(WindowTimer::kBlink);
  UpdateTray();
}

void AppCore::OnKeyDown(unsigned virtualKey, bool repeat, bool shift) {
  dirty_ = true;
  if (virtualKey == kVirtualEscape) {
    host_.PostClose();
    return;
  }
  std::optional<Key> key;
  if (virtualKey == kVirtualReturn) key = Key::kEnter;
  if (virtualKey == kVirtualSpace) key = Key::kSpace;
  if (virtualKey == kVirtualTab) key = shift ? Key::kShiftTab : Key::kTab;
  if (virtualKey == kVirtualPageUp) key = Key::kPageUp;
  if (virtualKey == kVirtualPageDown) key = Key::kPageDown;
  if (key) Carry(steps_.KeyDown(*key, repeat, host_.Now()));
}

void AppCore::OnKeyUp(unsigned virtualKey) {
  if (virtualKey == kVirtualReturn) steps_.KeyUp(Key::kEnter);
  if (virtualKey == kVirtualSpace) steps_.KeyUp(Key::kSpace);
}

void AppCore::OnPointerDown(int x, int y, float dpi) {
  Carry(steps_.PointerDown(Dips(x, dpi), Dips(y, dpi), host_.Now()));
}

void AppCore::OnPointerUp(int x, int y, float dpi) {
  Carry(steps_.PointerUp(Dips(x, dpi), Dips(y, dpi), host_.Now()));
}

void AppCore::OnPointerMove(int x, int y, float dpi) {
  if (steps_.PointerMove(Dips(x, dpi), Dips(y, dpi))) dirty_ = true;
}

void AppCore::OnWheel(int delta) {
  // One notch (120) scrolls three rows of 24 DIPs; a wheel turned away from the user
  // (positive) moves the list up.
  if (steps_.Wheel(-static_cast<float>(delta) * 72.0f / 120.0f)) dirty_ = true;
}

SettingsAccess AppCore::FrameSettings(const std::array<std::wstring, 2>& defaultFolders) {
  deadlines_ = {static_cast<double>(clock_.nextScan) / 1000.0,
                static_cast<double>(clock_.nextMaintain) / 1000.0,
                static_cast<double>(nextUpdateCheck_) / 1000.0};
  return {&settings_, &deadlines_, static_cast<double>(host_.TickMs()) / 1000.0, defaultFolders};
}

void AppCore::Carry(const WindowActions& actions) {
  if (actions.scan) host_.StartHealthScan();
  if (actions.installUpdate) promptRequested_ = true;  // asked, or refused, on the next poll
  // Exit from the tray may end the window while the picker is up: nothing else then acts.
  if (actions.pickFolder >= 0 && !PickSettingsFolder(actions.pickFolder)) return;
  if (!actions.repairKey.empty()) host_.Repair(actions.repairKey);
  if (!actions.openUrl.empty()) {
    const std::wstring error = host_.OpenWithShell(actions.openUrl);
    if (!error.empty()) host_.Log(error);
  }
  if (actions.settingsChanged) {
    clock_.nextScan = static_cast<std::uint64_t>(deadlines_.health_scan * 1000.0);
    clock_.nextMaintain = static_cast<std::uint64_t>(deadlines_.maintain * 1000.0);
    nextUpdateCheck_ = static_cast<std::uint64_t>(deadlines_.update * 1000.0);
    if (settings_.maintainTiming && clock_.nextMaintain == 0) {
      clock_.nextMaintain = host_.TickMs() + MinutesMs(settings_.maintainMinutes);
    }
    UpdateTray();
  }
  if (actions.openLog) {
    const std::wstring error = host_.OpenWithShell(host_.LogPath());
    if (!error.empty()) host_.Log(error);
  }
  if (actions.restart) {
    const std::wstring error = host_.RestartComputer();
    if (!error.empty()) {
      host_.Log(L"Restart: " + error);
      steps_.SetRestartMessage(error);
    }
  }
  if (actions.close) host_.PostClose();
  dirty_ = true;
}

bool AppCore::PickSettingsFolder(int field) {
  const screens::FolderField& f = screens::kFolderFields[static_cast<std::size_t>(field)];
  std::wstring error;
  const std::optional<std::wstring> folder =
      Modal([&] { return host_.PickFolder(f.pickerTitle, error); });
  // The picker was modal: the window may be gone, and its closing click must not act.
  if (!AfterModal()) return false;
  if (!error.empty()) {
    steps_.SetFolderNote(error);
  } else if (folder) {
    steps_.SetFolderNote(screens::ChooseFolder(settings_, f.value, *folder));
  }
  return true;
}

}  // namespace gui
