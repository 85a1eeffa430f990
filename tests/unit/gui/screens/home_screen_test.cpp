#include "gui/screens/home_screen.h"

#include <gtest/gtest.h>

namespace gui::screens {
namespace {

HealthCheck InGroup(const wchar_t* group) {
  HealthCheck check;
  check.group = group;
  return check;
}

TEST(HomeScreen, ListGroupsChecksInTheFixedOrder) {
  const std::vector<HealthCheck> checks = {InGroup(L"Power and Performance"),
                                           InGroup(L"Timer Resolution"), InGroup(L"Mystery"),
                                           InGroup(L"Timer Resolution"), InGroup(L"Storage")};
  // (group, check): headings are -1. Timer 0, Power 1, Storage 5, Other 7.
  const std::vector<std::pair<int, int>> expected = {{0, -1}, {0, 1}, {0, 3},  {1, -1}, {1, 0},
                                                     {5, -1}, {5, 4}, {7, -1}, {7, 2}};
  const std::vector<HomeListRow> rows = HomeListRows(checks);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(std::make_pair(rows[i].group, rows[i].check), expected[i]) << i;
  }
  EXPECT_TRUE(HomeListRows({}).empty());
}

TEST(HomeScreen, HelpForEachKindOfControl) {
  HealthCheck repairable = InGroup(L"Storage");
  repairable.explanation = L"SysMain preloads programs.";
  repairable.expected = L"disabled";
  repairable.live = L"automatic";
  repairable.status = HealthStatus::NeedsAttention;
  repairable.repairStep = L"storage";
  HealthCheck readOnly = InGroup(L"Graphics Drivers");
  readOnly.explanation = L"The driver version.";
  const std::vector<HealthCheck> checks = {repairable, readOnly};
  HomeView view;
  view.checks = checks;
  struct Row {
    int control;
    bool measuring;
    const char* help;
  };
  const Row rows[] = {
      {kHomeToolFirst + 7, false, "Sets the page file and turns memory compression off."},
      {kHomeGroupFirst + 5, false, "SysMain and TRIM."},
      {kHomeItemFirst + 0, false,
       "SysMain preloads programs.\nExpected: disabled\nLive: automatic\n\nStatus: Needs "
       "attention"},
      {kHomeItemFirst + 1, false, "The driver version.\nThis check only reads the live value."},
      {kHomeItemFirst + 2, false, ""},  // no such check
      {kHomeLastScanTile, true,
       "This 3D chart is the measurement that is running now. It updates as each sample "
       "lands."},
      {kHomeLastScanTile, false,
       "This 3D chart is the newest finished timer-resolution scan. Brighter cells are where "
       "Sleep(1) landed."},
      {-1, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.control);
    view.measureRunning = row.measuring;
    EXPECT_EQ(HomeHelp(row.control, view), row.help);
  }
}

}  // namespace
}  // namespace gui::screens
