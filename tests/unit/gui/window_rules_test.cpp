// The window's decisions that need no window: when the loop draws, the frame step, the
// tray's words and which font a text role gets.
#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

#include "gui/font_choice.h"
#include "gui/loop_policy.h"
#include "gui/tray_texts.h"

namespace gui {
namespace {

TEST(GuiLoopPolicy, DrawsOnlyWhenSomethingVisibleChanges) {
  struct Row {
    LoopView view;
    LoopAction expected;
  };
  const Row rows[] = {
      // visible, minimized, occluded, surfaces, changing, lattice
      {{true, false, false, true, true}, LoopAction::kDraw},
      {{true, false, false, true, false}, LoopAction::kWait},  // still: no frames
      {{false, false, false, true, true}, LoopAction::kWait},  // hidden to the tray
      {{true, true, false, true, true}, LoopAction::kWait},    // minimized
      {{true, false, true, true, true}, LoopAction::kWait},    // covered by another window
      {{true, false, false, false, false}, LoopAction::kRebuildSoon},
      {{true, false, true, false, true}, LoopAction::kRebuildSoon},
      {{false, false, false, false, true}, LoopAction::kWait},  // nothing to rebuild for
      {{true, true, false, false, true}, LoopAction::kWait},
      // A turning lattice draws at display pace while seen, and costs nothing otherwise.
      {{true, false, false, true, false, true}, LoopAction::kDraw},
      {{true, true, false, true, false, true}, LoopAction::kWait},
      {{false, false, false, true, false, true}, LoopAction::kWait},
      {{true, false, true, true, false, true}, LoopAction::kWait},
  };
  for (const Row& row : rows) {
    const LoopView& v = row.view;
    EXPECT_EQ(NextLoopAction(v), row.expected)
        << v.visible << v.minimized << v.occluded << v.surfaces << v.changing << v.lattice;
  }
}

TEST(GuiLoopPolicy, FrameStepIsClampedToFiftyMilliseconds) {
  const double rows[][2] = {{0.016, 0.016}, {0.05, 0.05}, {3.0, 0.05},
                            {-1.0, 0.0},    {0.0, 0.0},   {1e30, 0.05}};
  for (const auto& row : rows) EXPECT_DOUBLE_EQ(FrameStep(row[0]), row[1]) << row[0];
  EXPECT_DOUBLE_EQ(FrameStep(std::numeric_limits<double>::quiet_NaN()), 0.0);
}

TEST(GuiTrayTexts, MenuNamesTheCurrentState) {
  const TrayState off{};
  const TrayState on{true, true, true, true};
  struct Row {
    TrayCommand command;
    const wchar_t* whenOff;
    const wchar_t* whenOn;
  };
  const Row rows[] = {
      {kTrayOpen, L"Open Veltrane", L"Open Veltrane"},
      {kTrayHealthCheck, L"Run health check", L"Run health check"},
      {kTrayPause, L"Pause monitoring", L"Resume monitoring"},
      {kTraySettings, L"Settings", L"Settings"},
      {kTrayStartWithWindows, L"Start with Windows, minimized: off",
       L"Start with Windows, minimized: on"},
      {kTrayNotifications, L"Notifications: off", L"Notifications: on"},
      {kTrayMaintain, L"Maintain timing: off", L"Maintain timing: on"},
      {kTrayExit, L"Exit", L"Exit"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(TrayMenuLabel(row.command, off), row.whenOff);
    EXPECT_EQ(TrayMenuLabel(row.command, on), row.whenOn);
  }
}

TEST(GuiTrayTexts, TooltipSaysTheMostUrgentThingInAHundredAndTwentySevenCharacters) {
  struct Row {
    TrayHealth health;
    std::wstring expected;
  };
  const Row rows[] = {
      {{}, L"Veltrane"},
      {{false, true, 0, L""}, L"Veltrane: nothing needs attention"},
      {{false, true, 2, L"2 need attention"}, L"Veltrane: 2 need attention"},
      {{true, true, 2, L"2 need attention"}, L"Veltrane: update available"},
  };
  for (const Row& row : rows) EXPECT_EQ(TrayTooltip(row.health), row.expected);

  const std::wstring tip = TrayTooltip({false, true, 1, std::wstring(300, L'x')});
  EXPECT_EQ(tip.size(), 127u);
  EXPECT_EQ(tip.substr(0, 10), L"Veltrane: ");
}

TEST(GuiFontChoice, FallsBackToAFamilyThatExists) {
  const std::set<std::wstring> brand = {L"Philosopher", L"Bruno Ace SC", L"Gruppo"};
  const std::set<std::wstring> windows = {L"Consolas", L"Segoe UI", L"Arial"};
  const std::set<std::wstring> wine = {L"Tahoma", L"Courier New"};
  const std::set<std::wstring> none = {};
  struct Row {
    const wchar_t* requested;
    const std::set<std::wstring>* exe;
    const std::set<std::wstring>* system;
    const wchar_t* family;
    FontSource source;
    bool fellBack;
  };
  const Row rows[] = {
      {L"Gruppo", &brand, &windows, L"Gruppo", FontSource::kPrivate, false},
      {L"Consolas", &brand, &windows, L"Consolas", FontSource::kSystem, false},
      {L"Consolas", &brand, &wine, L"Philosopher", FontSource::kPrivate, true},
      {L"Gruppo", &none, &windows, L"Segoe UI", FontSource::kSystem, true},
      {L"Gruppo", &none, &wine, L"Tahoma", FontSource::kSystem, true},
      {L"Gruppo", &none, &none, L"", FontSource::kSystem, true},
  };
  for (const Row& row : rows) {
    const auto in = [](const std::set<std::wstring>* set) {
      return [set](const std::wstring& family) { return set->count(family) > 0; };
    };
    const std::wstring first = row.system->empty() ? L"" : *row.system->rbegin();
    const FontChoice choice = ChooseFont(row.requested, in(row.exe), in(row.system), first);
    EXPECT_EQ(choice.family, row.family) << row.requested;
    EXPECT_EQ(choice.source, row.source) << row.requested;
    EXPECT_EQ(choice.fellBack, row.fellBack) << row.requested;
  }
}

}  // namespace
}  // namespace gui
