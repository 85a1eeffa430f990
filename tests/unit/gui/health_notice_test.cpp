#include "gui/health_notice.h"

#include <gtest/gtest.h>

#include <vector>

namespace gui {
namespace {

HealthCheck Check(const wchar_t* id, HealthStatus status, const wchar_t* live) {
  HealthCheck check;
  check.id = id;
  check.title = std::wstring(L"Title ") + id;
  check.live = live;
  check.status = status;
  return check;
}

TEST(HealthNoticeTest, NamesTheFirstCheckThatNeedsAttention) {
  const struct {
    std::vector<HealthCheck> checks;
    std::wstring notice;
    std::wstring key;
  } cases[] = {
      {{}, L"", L""},
      {{Check(L"a", HealthStatus::Passing, L"on"), Check(L"b", HealthStatus::Informational, L"x"),
        Check(L"c", HealthStatus::Unknown, L"?"), Check(L"d", HealthStatus::Inaccessible, L"-")},
       L"",
       L""},
      {{Check(L"a", HealthStatus::Passing, L"on"), Check(L"b", HealthStatus::Error, L"read failed"),
        Check(L"c", HealthStatus::NeedsAttention, L"15.6 ms")},
       L"Title b: read failed",
       L"b\nc\n"},
      {{Check(L"r", HealthStatus::RestartRequired, L"pending")}, L"Title r: pending", L"r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AttentionNotice(c.checks), c.notice);
    EXPECT_EQ(AttentionKey(c.checks), c.key);
  }
}

TEST(HealthNoticeTest, CutsTheNoticeToWhatTheShellShows) {
  const std::vector<HealthCheck> checks = {
      Check(L"long", HealthStatus::NeedsAttention, std::wstring(400, L'x').c_str())};
  const std::wstring notice = AttentionNotice(checks);
  EXPECT_EQ(notice.size(), 255u);
  EXPECT_EQ(notice.substr(0, 13), L"Title long: x");
}

TEST(HealthNoticeTest, GatesBalloonsBySettingIconAndInterval) {
  const struct {
    BalloonGate gate;
    std::uint64_t now;
    bool due;
  } cases[] = {
      // The first balloon may show a few seconds after boot.
      {{true, true, 30, std::nullopt}, 5000, true},
      {{false, true, 30, std::nullopt}, 5000, false},
      {{true, false, 30, std::nullopt}, 5000, false},
      // 30 minutes are 1,800,000 ms.
      {{true, true, 30, 1000}, 1800999, false},
      {{true, true, 30, 1000}, 1801000, true},
      // Intervals below one minute count as one minute.
      {{true, true, 0, 1000}, 60999, false},
      {{true, true, -5, 1000}, 61000, true},
      // A clock that went back shows nothing rather than a burst.
      {{true, true, 1, 90000}, 1000, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BalloonDue(c.gate, c.now), c.due)
        << c.gate.notify << c.gate.trayIcon << " " << c.gate.notifyMinutes << " " << c.now;
  }
}

}  // namespace
}  // namespace gui
