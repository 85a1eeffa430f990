#include "gui/app_core.h"

#include <gtest/gtest.h>

#include <deque>

#include "scheduler_fakes.h"

namespace gui {
namespace {

using namespace testing_fakes;
using Calls = std::vector<std::wstring>;

// The desktop as the core sees it; every call is recorded as a short line. Destroy runs
// the window's destruction at once, as DestroyWindow does; `exitInBox` is Exit chosen from
// the tray while a modal box is up.
class FakeWindowHost final : public WindowHost {
 public:
  void ShowAndFocus() override { calls.push_back(L"show"); }
  void Hide() override { calls.push_back(L"hide"); }
  void Minimize() override { calls.push_back(L"minimize"); }
  void ShowMinimizedInactive() override { calls.push_back(L"show minimized"); }
  void Destroy() override {
    calls.push_back(L"destroy");
    if (!alive) return;
    alive = false;
    core->OnDestroyed();
  }
  void PostClose() override { calls.push_back(L"post close"); }
  bool Alive() const override { return alive; }
  bool Visible() const override { return true; }
  bool AddTray(const TrayLook& look) override {
    calls.push_back(L"tray add " + look.tooltip);
    return trayAccepts;
  }
  void ModifyTray(const TrayLook& look) override {
    calls.push_back(L"tray " + look.tooltip + (look.dimmed ? L" dimmed" : L""));
  }
  void RemoveTray() override { calls.push_back(L"tray remove"); }
  void Balloon(const std::wstring& title, const std::wstring& text, Notice) override {
    calls.push_back(L"balloon " + title + L": " + text);
  }
  std::optional<std::size_t> TrayMenu(const std::vector<std::wstring>& labels) override {
    menu = labels;
    return menuChoice;
  }
  bool Ask(Question question, const std::wstring&) override {
    calls.push_back(question == Question::kStopRunningSteps ? L"ask stop"
                    : question == Question::kMaintainTiming ? L"ask maintain"
                                                            : L"ask update");
    return Box();
  }
  void Tell(Notice, const std::wstring& text) override { calls.push_back(L"tell " + text); }
  bool AskStartup() override {
    calls.push_back(L"ask startup");
    return Box();
  }
  std::optional<std::wstring> PickFolder(const std::wstring&, std::wstring&) override {
    return std::nullopt;
  }
  void StartTimer(WindowTimer timer, unsigned ms) override {
    calls.push_back((timer == WindowTimer::kMonitor ? L"timer monitor " : L"timer blink ") +
                    std::to_wstring(ms));
  }
  void StopTimer(WindowTimer timer) override {
    calls.push_back(timer == WindowTimer::kMonitor ? L"stop monitor" : L"stop blink");
  }
  std::uint64_t TickMs() const override { return tick; }
  double Now() const override { return static_cast<double>(tick) / 1000.0; }
  bool CopyToClipboard(const std::wstring&) override { return true; }
  std::wstring OpenWithShell(const std::wstring&) override { return {}; }
  std::wstring RestartComputer() override { return {}; }
  void Log(const std::wstring&) override {}
  std::wstring LogPath() const override { return L"C:\\Veltrane\\veltrane.log"; }
  void SaveSettings(const MonitorSettings& settings) override {
    calls.push_back(L"save");
    saved.push_back(settings);
  }
  bool ServiceInstalled() override { return false; }
  void StartHealthScan() override {
    calls.push_back(L"scan");
    scanning = true;
  }
  bool ScanRunning() const override { return scanning; }
  void TrackDrift() override { calls.push_back(L"track drift"); }
  void Repair(const std::wstring& key) override { calls.push_back(L"repair " + key); }

  bool Box() {
    if (exitInBox) Destroy();
    const bool answer = answers.empty() ? false : answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }

  AppCore* core = nullptr;
  Calls calls;
  std::vector<MonitorSettings> saved;
  std::vector<std::wstring> menu;
  std::optional<std::size_t> menuChoice;
  std::deque<bool> answers;
  bool alive = true, trayAccepts = true, scanning = false, exitInBox = false;
  std::uint64_t tick = 1000;
};

// Settings of a user who answered both first-start questions and opens the window.
MonitorSettings Answered() {
  MonitorSettings s;
  s.startupAsked = s.maintainAsked = true;
  s.startMinimized = false;
  return s;
}

// The toggles a save wrote: closeToTray, startMinimized, launchAtLogin, notify, paused,
// maintainTiming, maintainAsked.
std::string Toggles(const MonitorSettings& s) {
  std::string t;
  for (bool b : {s.closeToTray, s.startMinimized, s.launchAtLogin, s.notify, s.paused,
                 s.maintainTiming, s.maintainAsked})
    t += b ? '1' : '0';
  return t;
}

HealthCheck Drifted() {
  HealthCheck c;
  c.id = L"timer.service";
  c.title = L"Timer service";
  c.explanation = L"stopped";
  c.status = HealthStatus::NeedsAttention;
  return c;
}

// A core on a started step window, with an update found when `update` is set.
struct Core {
  explicit Core(MonitorSettings settings, bool yes = false, bool show = false, bool update = false)
      : core(host, steps, updates, std::move(settings), yes, show) {
    host.core = &core;
    if (update) {
      updateHost.checkUpdate = [](update::AppUpdate& found, const std::atomic<bool>&,
                                  std::wstring&) {
        found.version = L"2.11.0";
        return true;
      };
    }
    updateHost.applyUpdate = [this](const update::AppUpdate&, const auto&, const std::atomic<bool>&,
                                    std::wstring&) {
      ++applies;
      return 1;
    };
  }
  ~Core() {
    gate.Open();
    Drain();
  }
  // Until no step runs and no read of the step window is on its way.
  void Drain() {
    for (int i = 0; i < 5000 && steps.Active(); ++i) {
      steps.Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(steps.Active());
  }
  // Started, with the start's calls forgotten.
  void Started() {
    ASSERT_TRUE(core.Start());
    Drain();
    host.calls.clear();
    host.saved.clear();
  }
  // Starts a step that runs until the test ends.
  void RunStep() {
    f.host.memory = [this](Feed&) { return gate.Pass(0); };
    steps.scheduler().StartStep(static_cast<int>(StepIndex::Memory), false);
  }
  // Polls until the update worker's thread has said something and the step window's reads
  // have landed.
  void Settle(const std::wstring& call) {
    for (int i = 0; i < 5000; ++i) {
      core.Poll();
      if (std::find(host.calls.begin(), host.calls.end(), call) != host.calls.end()) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ADD_FAILURE() << "never saw the call";
  }

  Fixture f;
  Gate gate;
  GuiHost updateHost;
  StepWindow steps{f.host, f.clock, f.sink};
  UpdateWorker updates{updateHost};
  FakeWindowHost host;
  int applies = 0;
  AppCore core;
};

TEST(GuiAppCore, StartupByFlags) {
  struct Row {
    const char* name;
    MonitorSettings settings;
    bool yes, show, trayAccepts;
    std::deque<bool> answers;  // the dialog's, then the maintain question's
    Calls expected;
    std::string saved;  // the toggles of the last save, empty when none
  };
  MonitorSettings fresh, inTray = Answered(), paused = Answered();
  inTray.startMinimized = true;
  paused.paused = true;
  const Row rows[] = {
      {"first start: both questions, yes to both",
       fresh,
       false,
       false,
       true,
       {true, true},
       {L"tray add Veltrane", L"show", L"timer monitor 60000", L"scan", L"ask startup", L"save",
        L"ask maintain", L"save"},
       "1111011"},
      {"first start: no to both",
       fresh,
       false,
       false,
       true,
       {false, false},
       {L"tray add Veltrane", L"show", L"timer monitor 60000", L"scan", L"ask startup", L"save",
        L"ask maintain", L"save"},
       "0001001"},
      {"--yes asks nothing",
       fresh,
       true,
       false,
       true,
       {},
       {L"tray add Veltrane", L"show", L"timer monitor 60000", L"scan"},
       ""},
      {"answered: to the tray",
       inTray,
       false,
       false,
       true,
       {},
       {L"tray add Veltrane", L"timer monitor 60000", L"scan"},
       ""},
      {"answered, the shell refused the icon: minimised",
       inTray,
       false,
       false,
       false,
       {},
       {L"tray add Veltrane", L"show minimized", L"timer monitor 60000", L"scan"},
       ""},
      {"--show opens it",
       inTray,
       false,
       true,
       true,
       {},
       {L"tray add Veltrane", L"show", L"timer monitor 60000", L"scan"},
       ""},
      {"paused: no first scan",
       paused,
       false,
       false,
       true,
       {},
       {L"tray add Veltrane", L"show", L"timer monitor 60000"},
       ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Core c(r.settings, r.yes, r.show);
    c.host.trayAccepts = r.trayAccepts;
    c.host.answers = r.answers;
    EXPECT_TRUE(c.core.Start());
    EXPECT_EQ(c.host.calls, r.expected);
    EXPECT_EQ(c.host.saved.empty() ? "" : Toggles(c.host.saved.back()), r.saved);
  }
}

TEST(GuiAppCore, CloseWithAndWithoutTrayIconAndWithStepsRunning) {
  struct Row {
    const char* name;
    bool closeToTray, trayAccepts, running, answer, exitInBox;
    Calls expected;
  };
  const Calls ended = {L"destroy", L"tray remove", L"stop monitor"};
  const Row rows[] = {
      {"to the tray", true, true, false, false, false, {L"hide"}},
      {"to the tray, running steps go on", true, true, true, false, false, {L"hide"}},
      {"no icon to come back by: minimised", true, false, false, false, false, {L"minimize"}},
      {"closes", false, true, false, false, false, ended},
      {"running: asked, no", false, true, true, false, false, {L"ask stop"}},
      {"running: asked, yes",
       false,
       true,
       true,
       true,
       false,
       {L"ask stop", L"destroy", L"tray remove", L"stop monitor"}},
      {"running: Exit from the tray while asked",
       false,
       true,
       true,
       true,
       true,
       {L"ask stop", L"destroy", L"tray remove", L"stop monitor"}},
      {"no icon: nothing to remove",
       false,
       false,
       false,
       false,
       false,
       {L"destroy", L"stop monitor"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MonitorSettings s = Answered();
    s.closeToTray = r.closeToTray;
    Core c(s);
    c.host.trayAccepts = r.trayAccepts;
    c.Started();
    if (r.running) c.RunStep();
    c.host.answers = {r.answer};
    c.host.exitInBox = r.exitInBox;
    c.core.OnClose();
    EXPECT_EQ(c.host.calls, r.expected);
  }
}

TEST(GuiAppCore, TrayMenuLabelsAndCommands) {
  struct Row {
    const char* name;
    TrayCommand chosen;
    bool on;  // pause, start with Windows, notifications and maintain on before
    Calls expected;
    std::string saved;  // the toggles saved: only the command's own change
  };
  const Row rows[] = {
      {"open", kTrayOpen, false, {L"show"}, ""},
      {"health check", kTrayHealthCheck, false, {L"show", L"scan"}, ""},
      {"pause", kTrayPause, false, {L"save"}, "0001101"},
      {"resume", kTrayPause, true, {L"save"}, "1111011"},
      {"settings", kTraySettings, false, {L"show"}, ""},
      {"start with Windows on: the tray too", kTrayStartWithWindows, false, {L"save"}, "1111001"},
      {"start with Windows off, the tray stays", kTrayStartWithWindows, true, {L"save"}, "1001111"},
      {"notifications off", kTrayNotifications, true, {L"save"}, "1110111"},
      {"maintain on: a pass starts", kTrayMaintain, false, {L"save", L"scan"}, "0001011"},
      {"maintain off", kTrayMaintain, true, {L"save"}, "1111101"},
      {"exit", kTrayExit, false, {L"destroy", L"tray remove", L"stop monitor"}, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MonitorSettings s = Answered();
    s.closeToTray = s.startMinimized = s.launchAtLogin = s.paused = s.maintainTiming = r.on;
    Core c(s);
    c.Started();
    c.host.scanning = false;
    const std::array<TrayCommand, 8> order = {
        kTrayOpen,          kTrayHealthCheck, kTrayPause, kTraySettings, kTrayStartWithWindows,
        kTrayNotifications, kTrayMaintain,    kTrayExit};
    c.host.menuChoice =
        static_cast<std::size_t>(std::find(order.begin(), order.end(), r.chosen) - order.begin());
    c.core.OnTrayMenu();
    const std::wstring onOff = r.on ? L": on" : L": off";
    EXPECT_EQ(c.host.menu, (std::vector<std::wstring>{
                               L"Open Veltrane", L"Run health check",
                               r.on ? L"Resume monitoring" : L"Pause monitoring", L"Settings",
                               L"Start with Windows, minimized" + onOff, L"Notifications: on",
                               L"Maintain timing" + onOff, L"Exit"}));
    EXPECT_EQ(c.host.calls, r.expected);
    EXPECT_EQ(c.host.saved.empty() ? "" : Toggles(c.host.saved.back()), r.saved);
  }
}

TEST(GuiAppCore, MonitorTickPausedMaintainOrScan) {
  struct Row {
    const char* name;
    bool paused, maintain, scanning;
    std::uint64_t later;  // ms after the start
    Calls expected;       // the tick's calls, then those of the scan's end
  };
  const std::uint64_t hours6 = 6 * 3600000;
  const Row rows[] = {
      {"paused: nothing", true, false, false, hours6, {}},
      {"scan not yet due", false, false, false, hours6 - 1, {}},
      {"scan due", false, false, false, hours6, {L"scan", L"tray Veltrane"}},
      {"maintain: a pass, then drift repair",
       false,
       true,
       false,
       60000,
       {L"scan", L"tray Veltrane", L"track drift"}},
      {"maintain: a scan still runs", false, true, true, 60000, {}},
      {"maintain paused: nothing", true, true, false, 60000, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MonitorSettings s = Answered();
    s.paused = r.paused;
    s.maintainTiming = r.maintain;
    Core c(s);
    c.Started();
    c.host.scanning = r.scanning;
    c.host.tick += r.later;
    c.core.OnMonitorTick();
    c.host.scanning = false;
    if (!c.host.calls.empty()) c.core.OnHealthScanDone({}, true);
    EXPECT_EQ(c.host.calls, r.expected);
  }
}

TEST(GuiAppCore, TrayIconAddedAgainAfterTheShellRestartsAndRetriedWhenRefused) {
  Core c(Answered());
  c.host.trayAccepts = false;
  c.Started();
  c.core.OnHealthScanDone({Drifted()}, true);
  c.core.OnMonitorTick();  // still refused
  c.host.trayAccepts = true;
  c.core.OnMonitorTick();
  c.core.OnMonitorTick();  // in place: not added again
  c.core.OnTaskbarCreated();
  const std::wstring tip = L"Veltrane: 1 item need attention.";
  EXPECT_EQ(c.host.calls, (Calls{L"tray add " + tip, L"tray add " + tip, L"tray add " + tip}));
  EXPECT_TRUE(c.core.trayAdded());
}

TEST(GuiAppCore, BalloonOnlyWithNotificationsAnIconAndTheGapPassed) {
  struct Row {
    const char* name;
    bool notify, trayAccepts;
    std::uint64_t second;  // ms after the first notice when the second comes
    int balloons;
  };
  const Row rows[] = {
      {"shown, then held back within the gap", true, true, 30 * 60000 - 1, 1},
      {"shown again after the gap", true, true, 30 * 60000, 2},
      {"notifications off", false, true, 30 * 60000, 0},
      {"no tray icon", true, false, 30 * 60000, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MonitorSettings s = Answered();
    s.notify = r.notify;
    Core c(s);
    c.host.trayAccepts = r.trayAccepts;
    c.Started();
    c.core.OnHealthNotify({Drifted()});
    c.host.tick += r.second;
    c.core.OnHealthNotify({Drifted()});
    EXPECT_EQ(c.host.calls.size(), static_cast<std::size_t>(r.balloons));
    for (const std::wstring& call : c.host.calls)
      EXPECT_EQ(call, L"balloon Veltrane: Timer service: stopped");
  }
}

TEST(GuiAppCore, UpdateAnnouncedOnceAskedOnceAndTheBlinkEndsWithTheAnswer) {
  Core c(Answered(), false, false, true);
  c.Started();
  c.Settle(L"balloon Veltrane update: Version 2.11.0 is ready. Open Veltrane to install it.");
  EXPECT_EQ(
      c.host.calls,
      (Calls{L"tray Veltrane: update available", L"timer blink 450",
             L"balloon Veltrane update: Version 2.11.0 is ready. Open Veltrane to install it."}));
  c.core.OnBlinkTick();
  c.host.calls.clear();
  c.core.OnBalloonClick();
  c.host.answers = {false};
  c.core.Poll();
  c.core.Poll();  // asked once
  c.core.OnBlinkTick();
  EXPECT_EQ(c.host.calls, (Calls{L"show", L"ask update", L"stop blink", L"tray Veltrane",
                                 L"stop blink", L"tray Veltrane"}));
  EXPECT_FALSE(c.core.trayHealth().updatePending);
  EXPECT_EQ(c.applies, 0);
}

TEST(GuiAppCore, UpdateQuestionRefusedWhileStepsRunAndDroppedWhenTheWindowWent) {
  struct Row {
    const char* name;
    bool running, exitInBox;
    Calls expected;
    bool stillPending;
  };
  const Row rows[] = {
      {"steps run: refused, the update still waits",
       true,
       false,
       {L"show", L"tell Steps are still running. Install the update when they have finished."},
       true},
      {"Exit while asked: no install",
       false,
       true,
       {L"show", L"ask update", L"destroy", L"tray remove", L"stop monitor"},
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Core c(Answered(), false, false, true);
    c.Started();
    c.Settle(L"timer blink 450");
    c.host.calls.clear();
    if (r.running) c.RunStep();
    c.host.answers = {true};
    c.host.exitInBox = r.exitInBox;
    c.core.OnBalloonClick();
    c.core.Poll();
    c.core.Poll();
    EXPECT_EQ(c.host.calls, r.expected);
    EXPECT_EQ(c.core.trayHealth().updatePending, r.stillPending);
    EXPECT_EQ(c.applies, 0);
  }
}

}  // namespace
}  // namespace gui
