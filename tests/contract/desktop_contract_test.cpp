// Desktop: a stand-in for the scanner's window, found by process and title, its card list
// set, its button read and pressed, and closed, through real window messages on Windows.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace {

using platform::WindowHandle;

// Polls up to two seconds: posted messages arrive when the owner's loop gets to them.
template <typename Condition>
bool Eventually(Condition condition) {
  auto& clock = contract::ContractSystem().clock;
  for (int i = 0; i < 40; ++i) {
    if (condition()) return true;
    clock.Sleep(50);
  }
  return condition();
}

TEST(DesktopContract, DrivesAStandInScannerWindow) {
  platform::Desktop& desktop = contract::ContractSystem().desktop;
  const std::vector<std::wstring> cards = {L"Intel(R) UHD Graphics 770",
                                           L"NVIDIA GeForce RTX 4070"};
  const std::uint32_t owner =
      contract::OpenStandInWindow(L"MSI Overclocking Scanner stand-in", cards);
  if (owner == 0) GTEST_SKIP() << "no display to make a window on";
  // Found by process and title.
  WindowHandle window = 0;
  for (const auto& w : desktop.TopLevelWindows()) {
    if (w.process_id == owner && w.visible && w.title == L"MSI Overclocking Scanner stand-in") {
      window = w.handle;
    }
  }
  ASSERT_NE(window, 0u);
  // The card list, read and set.
  WindowHandle combo = 0;
  for (const auto& child : desktop.ChildWindows(window)) {
    if (child.class_name == L"ComboBox" && child.control_id == 1100) combo = child.handle;
  }
  ASSERT_NE(combo, 0u);
  const auto items = desktop.ComboItems(combo);
  ASSERT_TRUE(items.ok());
  EXPECT_EQ(*items, cards);
  ASSERT_TRUE(desktop.SelectComboItem(combo, 1).ok());
  EXPECT_EQ(desktop.ComboSelection(combo), 1);
  EXPECT_EQ(desktop.CommandTarget(combo), window);
  EXPECT_TRUE(desktop.PostCommand(window, 1100, 1, combo).ok());
  // The button, read and pressed.
  const WindowHandle button = desktop.DialogItem(window, 1001);
  ASSERT_NE(button, 0u);
  EXPECT_EQ(desktop.Text(button).value_or(L"?"), L"Scan");
  EXPECT_TRUE(desktop.IsEnabled(button));
  ASSERT_TRUE(desktop.PostCommand(window, 1001, 0, button).ok());
  EXPECT_TRUE(Eventually([&] { return desktop.Text(button).value_or(L"") == L"Stop"; }));
  // The log's automation name is there, or UI Automation is missing (Wine) and says so.
  const auto name = desktop.AutomationName(window, L"1007");
  if (!name.ok()) {
    EXPECT_TRUE(name.error().code == support::ErrorCode::kUnsupported ||
                name.error().code == support::ErrorCode::kNotFound ||
                name.error().code == support::ErrorCode::kFailed);
  }
  EXPECT_TRUE(desktop.PostRegisteredMessage(window, L"VeltraneContractPing").ok());
  // Closed by WM_CLOSE.
  ASSERT_TRUE(desktop.PostClose(window).ok());
  EXPECT_TRUE(Eventually([&] {
    for (const auto& w : desktop.TopLevelWindows()) {
      if (w.handle == window) return false;
    }
    return true;
  }));
  EXPECT_FALSE(desktop.PostClose(window).ok());
}

}  // namespace
