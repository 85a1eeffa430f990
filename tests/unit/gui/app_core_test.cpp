#include "gui/app_core.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <utility>

#include "scheduler_fakes.h"

namespace gui {
namespace {

using namespace testing_fakes;

// The toggles a save wrote: closeToTray, startMinimized, launchAtLogin, notify, paused,
// maintainTiming, maintainAsked.
std::wstring Toggles(const MonitorSettings& s) {
  std::wstring t;
  for (bool b : {s.closeToTray, s.startMinimized, s.launchAtLogin, s.notify, s.paused,
                 s.maintainTiming, s.maintainAsked})
    t += b ? L'1' : L'0';
  return t;
}

// The desktop as the core sees it: every call lands in `log` ("show; scan; ..."). Destroy
// runs the window's destruction at once, as DestroyWindow does; `exitInBox` is Exit chosen
// from the tray while a modal box is up.
class FakeWindowHost final : public WindowHost {
 public:
  void Show(Showing how) override {
    Note(std::array{L"show", L"hide", L"minimize", L"show minimized"}[static_cast<int>(how)]);
  }
  void Destroy() override {
    if (Note(L"destroy") && alive) core->OnDestroyed();
    alive = false;
  }
  void PostClose() override { Note(L"post close"); }
  bool Alive() const override { return alive; }
  bool Visible() const override { return true; }
  bool AddTray(const TrayLook& look) override {
    return Note(L"tray add " + look.tooltip) && trayAccepts;
  }
  void ModifyTray(const TrayLook& look) override {
    Note(L"tray " + look.tooltip + (look.dimmed ? L" dimmed" : L""));
  }
  void RemoveTray() override { Note(L"tray remove"); }
  void Balloon(const std::wstring& title, const std::wstring& text, Notice) override {
    Note(L"balloon " + title + L": " + text);
  }
  std::optional<std::size_t> TrayMenu(const std::vector<std::wstring>& labels) override {
    menu = labels;
    return menuChoice;
  }
  bool Ask(Question question, const std::wstring&) override {
    return Box(std::array{L"ask stop", L"ask maintain", L"ask update"}[static_cast<int>(question)]);
  }
  void Tell(Notice, const std::wstring& text) override { Note(L"tell " + text); }
  bool AskStartup() override { return Box(L"ask startup"); }
  std::optional<std::wstring> PickFolder(const std::wstring&, std::wstring&) override { return {}; }
  void StartTimer(WindowTimer timer, unsigned ms) override {
    Note(std::wstring(timer == WindowTimer::kMonitor ? L"timer monitor " : L"timer blink ") +
         std::to_wstring(ms));
  }
  void StopTimer(WindowTimer timer) override {
    Note(timer == WindowTimer::kMonitor ? L"stop monitor" : L"stop blink");
  }
  std::uint64_t TickMs() const override { return tick; }
  double Now() const override { return static_cast<double>(tick) / 1000.0; }
  bool CopyToClipboard(const std::wstring&) override { return true; }
  std::wstring OpenWithShell(const std::wstring&) override { return {}; }
  std::wstring RestartComputer() override { return {}; }
  void Log(const std::wstring&) override {}
  std::wstring LogPath() const override { return L"C:\\veltrane.log"; }
  void SaveSettings(const MonitorSettings& s) override { Note(L"save " + Toggles(s)); }
  bool ServiceInstalled() override { return false; }
  void StartHealthScan() override { scanning = Note(L"scan"); }
  bool ScanRunning() const override { return scanning; }
  void TrackDrift() override { Note(L"track drift"); }
  void Repair(const std::wstring& key) override { Note(L"repair " + key); }

  bool Note(const std::wstring& call) {
    log += (log.empty() ? L"" : L"; ") + call;
    return true;
  }
  // A modal box: answers in turn, "no" once they run out.
  bool Box(const std::wstring& call) {
    Note(call);
    if (exitInBox) Destroy();
    if (inBox) std::exchange(inBox, nullptr)();
    const bool answer = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }

  AppCore* core = nullptr;
  std::wstring log;
  std::vector<std::wstring> menu;
  std::optional<std::size_t> menuChoice;
  std::deque<bool> answers;
  std::function<void()> inBox;  // runs once while the next box is up, as a timer would
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

HealthCheck Drifted() {
  HealthCheck c;
  c.title = L"Timer service";
  c.explanation = L"stopped";
  c.status = HealthStatus::NeedsAttention;
  return c;
}

// A core over a real step window and update worker; the update check finds 2.11.0 when
// `update` is set, and an install fails.
struct Core {
  explicit Core(MonitorSettings settings, bool yes = false, bool show = false, bool update = false)
      : core(host, steps, updates, std::move(settings), yes, show) {
    host.core = &core;
    if (update) {
      updateHost.checkUpdate = [](update::AppUpdate& found, const auto&, std::wstring&) {
        found.version = L"2.11.0";
        return true;
      };
    }
    updateHost.applyUpdate = [this](const auto&, const auto&, const auto&, std::wstring&) {
      return ++applies, 1;
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
    host.log.clear();
  }
  // A step that runs until the test ends.
  void RunStep() {
    f.host.memory = [this](Feed&) { return gate.Pass(0); };
    steps.scheduler().StartStep(static_cast<int>(StepIndex::Memory), false);
  }
  // Polls until the update worker's thread has had its say.
  void PollUntil(const std::wstring& call) {
    for (int i = 0; i < 5000 && host.log.find(call) == std::wstring::npos; ++i) {
      core.Poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_NE(host.log.find(call), std::wstring::npos);
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

constexpr wchar_t kBegun[] = L"tray add Veltrane; show; timer monitor 60000; scan";
constexpr wchar_t kEnded[] = L"destroy; tray remove; stop monitor";

TEST(GuiAppCore, StartupByFlags) {
  struct Row {
    const char* name;
    MonitorSettings settings;
    bool yes, show, trayAccepts, exitInBox;
    bool answer;  // to the dialog and the maintain question
    std::wstring expected;
  };
  MonitorSettings fresh, inTray = Answered(), paused = Answered();
  inTray.startMinimized = true;
  paused.paused = true;
  const std::wstring begun = kBegun;
  const Row rows[] = {
      {"first start, yes to both", fresh, false, false, true, false, true,
       begun + L"; ask startup; save 1111000; ask maintain; save 1111011"},
      {"first start, no to both", fresh, false, false, true, false, false,
       begun + L"; ask startup; save 0001000; ask maintain; save 0001001"},
      {"Exit while the dialog is up", fresh, false, false, true, true, true,
       begun + L"; ask startup; " + kEnded},
      {"--yes asks nothing", fresh, true, false, true, false, true, begun},
      {"answered: to the tray", inTray, false, false, true, false, true,
       L"tray add Veltrane; timer monitor 60000; scan"},
      {"the shell refused the icon: minimised", inTray, false, false, false, false, true,
       L"tray add Veltrane; show minimized; timer monitor 60000; scan"},
      {"--show opens it", inTray, false, true, true, false, true, begun},
      {"paused: no first scan", paused, false, false, true, false, true,
       L"tray add Veltrane; show; timer monitor 60000"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Core c(r.settings, r.yes, r.show);
    c.host.trayAccepts = r.trayAccepts;
    c.host.exitInBox = r.exitInBox;
    c.host.answers = {r.answer, r.answer};
    EXPECT_EQ(c.core.Start(), !r.exitInBox);
    EXPECT_EQ(c.host.log, r.expected);
  }
}

TEST(GuiAppCore, CloseWithAndWithoutTrayIconAndWithStepsRunning) {
  struct Row {
    const char* name;
    bool closeToTray, trayAccepts, running, answer, exitInBox;
    std::wstring expected;
  };
  const std::wstring ended = kEnded;
  const Row rows[] = {
      {"to the tray", true, true, false, false, false, L"hide"},
      {"to the tray, the steps go on", true, true, true, false, false, L"hide"},
      {"no icon to come back by: minimised", true, false, false, false, false, L"minimize"},
      {"closes", false, true, false, false, false, ended},
      {"no icon: none to remove", false, false, false, false, false, L"destroy; stop monitor"},
      {"steps run: asked, no", false, true, true, false, false, L"ask stop"},
      {"steps run: asked, yes", false, true, true, true, false, L"ask stop; " + ended},
      {"Exit while asked: ended once", false, true, true, true, true, L"ask stop; " + ended},
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
    EXPECT_EQ(c.host.log, r.expected);
  }
}

TEST(GuiAppCore, TrayMenuLabelsAndCommands) {
  struct Row {
    const char* name;
    std::size_t chosen;     // the menu's entry
    bool on;                // pause, start with Windows, maintain and close to the tray on before
    std::wstring expected;  // a save shows only the entry's own change
  };
  const Row rows[] = {
      {"open", 0, false, L"show"},
      {"health check", 1, false, L"show; scan"},
      {"pause", 2, false, L"save 0001101"},
      {"resume", 2, true, L"save 1111011"},
      {"settings", 3, false, L"show"},
      {"start with Windows: to the tray too", 4, false, L"save 1111001"},
      {"start with Windows off: the tray stays", 4, true, L"save 1001111"},
      {"notifications off", 5, true, L"save 1110111"},
      {"maintain on: a pass starts", 6, false, L"save 0001011; scan"},
      {"maintain off", 6, true, L"save 1111101"},
      {"exit", 7, false, kEnded},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    MonitorSettings s = Answered();
    s.closeToTray = s.startMinimized = s.launchAtLogin = s.paused = s.maintainTiming = r.on;
    Core c(s);
    c.Started();
    c.host.scanning = false;
    c.host.menuChoice = r.chosen;
    c.core.OnTrayMenu();
    const std::wstring onOff = r.on ? L": on" : L": off";
    EXPECT_EQ(c.host.menu, (std::vector<std::wstring>{
                               L"Open Veltrane", L"Run health check",
                               r.on ? L"Resume monitoring" : L"Pause monitoring", L"Settings",
                               L"Start with Windows, minimized" + onOff, L"Notifications: on",
                               L"Maintain timing" + onOff, L"Exit"}));
    EXPECT_EQ(c.host.log, r.expected);
  }
}

TEST(GuiAppCore, MonitorTickPausedMaintainOrScan) {
  struct Row {
    const char* name;
    bool paused, maintain, scanning;
    std::uint64_t later;    // ms after the start
    std::wstring expected;  // the tick's calls, then those of its scan's end
  };
  const std::uint64_t hours6 = 6 * 3600000;
  const Row rows[] = {
      {"paused: nothing", true, false, false, hours6, L""},
      {"scan not yet due", false, false, false, hours6 - 1, L""},
      {"scan due", false, false, false, hours6, L"scan; tray Veltrane"},
      {"maintain: a pass, then drift repair", false, true, false, 60000,
       L"scan; tray Veltrane; track drift"},
      {"maintain: a scan still runs", false, true, true, 60000, L""},
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
    if (!c.host.log.empty()) c.core.OnHealthScanDone({}, true);
    EXPECT_EQ(c.host.log, r.expected);
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
  const std::wstring add = L"tray add Veltrane: 1 item need attention.";
  EXPECT_EQ(c.host.log, add + L"; " + add + L"; " + add);
}

TEST(GuiAppCore, BalloonOnlyWithNotificationsAnIconAndTheGapPassed) {
  struct Row {
    const char* name;
    bool notify, trayAccepts;
    std::uint64_t second;  // ms after the first notice when the second comes
    std::wstring expected;
  };
  const std::wstring balloon = L"balloon Veltrane: Timer service: stopped";
  const Row rows[] = {
      {"shown, then held back within the gap", true, true, 30 * 60000 - 1, balloon},
      {"shown again after the gap", true, true, 30 * 60000, balloon + L"; " + balloon},
      {"no tray icon", true, false, 30 * 60000, L""},
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
    EXPECT_EQ(c.host.log, r.expected);
  }
}

TEST(GuiAppCore, UpdateAnnouncedOnceAskedOnceAndTheBlinkEndsWithTheAnswer) {
  struct Row {
    const char* name;
    bool running, exitInBox;
    std::wstring expected;  // after the balloon's click, two polls and a blink tick
    bool pending;           // the tray still blinks
  };
  const Row rows[] = {
      {"declined: the blink ends", false, false,
       L"show; ask update; stop blink; tray Veltrane; stop blink; tray Veltrane", false},
      {"steps run: refused, the update still waits", true, false,
       L"show; tell Steps are still running. Install the update when they have finished.; tray "
       L"Veltrane: update available dimmed",
       true},
      {"Exit while asked: no install", false, true, L"show; ask update; " + std::wstring(kEnded),
       true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Core c(Answered(), false, false, true);
    c.Started();
    c.PollUntil(L"balloon");
    c.core.Poll();  // announced once
    EXPECT_EQ(c.host.log,
              L"tray Veltrane: update available; timer blink 450; balloon Veltrane "
              L"update: Version 2.11.0 is ready. Open Veltrane to install it.");
    c.host.log.clear();
    if (r.running) c.RunStep();
    c.host.exitInBox = r.exitInBox;
    c.core.OnBalloonClick();
    c.core.Poll();
    c.core.Poll();  // asked once
    c.core.OnBlinkTick();
    EXPECT_EQ(c.host.log, r.expected);
    EXPECT_EQ(c.core.trayHealth().updatePending, r.pending);
    EXPECT_EQ(c.applies, 0);
  }
}

// A timer firing while a box is up never opens a second box over it; what it would have
// said waits for the box to close.
TEST(GuiAppCore, NoBoxOpensOverAnother) {
  MonitorSettings s = Answered();
  s.closeToTray = false;  // closing with steps running asks first
  Core c(s, false, false, true);
  c.Started();
  c.PollUntil(L"balloon");
  c.RunStep();
  c.core.OnBalloonClick();  // the update's question is due, and refused while steps run
  c.host.log.clear();
  c.host.inBox = [&] { c.core.OnMonitorTick(); };
  c.core.OnClose();  // asks whether to stop the steps
  EXPECT_EQ(c.host.log.find(L"tell"), std::wstring::npos) << c.host.log;
  c.core.Poll();
  EXPECT_NE(c.host.log.find(L"tell Steps are still running"), std::wstring::npos) << c.host.log;
}

TEST(GuiAppCore, LoopWaitsAndKeys) {
  struct Row {
    const char* name;
    bool running, visible, occluded;
    std::optional<unsigned> wait;
  };
  const Row rows[] = {
      {"still: until a message", false, true, false, std::nullopt},
      {"occluded: a look now and then", false, true, true, 500u},
      {"a step runs, shown: a frame's worth", true, true, false, 33u},
      {"a step runs, hidden", true, false, false, 250u},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Core c(Answered());
    c.Started();
    if (r.running) c.RunStep();
    EXPECT_EQ(c.core.WaitMs(r.visible, r.occluded), r.wait);
  }
  Core c(Answered());
  c.Started();
  c.core.OnKeyDown(kVirtualTab, false, true);
  c.core.OnKeyDown(kVirtualEscape, false, false);  // closes as the title bar's button does
  EXPECT_EQ(c.host.log, L"post close");
}

}  // namespace
}  // namespace gui
