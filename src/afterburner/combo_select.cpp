#include "afterburner/combo_select.h"

#include <vector>

#include "afterburner/pci_card.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr std::uint32_t kSelChange = 1;  // CBN_SELCHANGE
constexpr std::size_t kMaxItems = 32;
constexpr std::size_t kMaxItemText = 400;

bool IsUsableItem(const std::wstring& item) { return !item.empty() && item.size() <= kMaxItemText; }

bool IsPciEItem(const std::wstring& item) {
  return IsUsableItem(item) && !IsIntegratedGraphicsName(item) && NamesDiscreteCard(item);
}

// The item to select: the one naming the card, else the first PCI-E item; -1 for none.
int PickItem(const std::vector<std::wstring>& items, const PciECard& card) {
  int first = -1;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!IsPciEItem(items[i])) continue;
    if (!card.name.empty() && support::ContainsIgnoreCase(items[i], card.name)) {
      return static_cast<int>(i);
    }
    if (first < 0) first = static_cast<int>(i);
  }
  return first;
}

}  // namespace

ComboSelection SelectCardInCombos(platform::WindowHandle window, const PciECard& card) {
  auto& desktop = platform::Sys().desktop;
  ComboSelection result;
  bool integrated_seen = false;
  for (const auto& child : desktop.ChildWindows(window)) {
    if (child.class_name != L"ComboBox" && child.class_name != L"ComboBoxEx32") continue;
    const auto items = desktop.ComboItems(child.handle);
    if (!items || items->empty() || items->size() > kMaxItems) continue;
    bool lists_cards = false;
    for (const std::wstring& item : *items) {
      lists_cards =
          lists_cards || IsPciEItem(item) || (IsUsableItem(item) && IsIntegratedGraphicsName(item));
    }
    if (!lists_cards) continue;
    const int pick = PickItem(*items, card);
    if (pick < 0) {
      integrated_seen = true;
      continue;
    }
    result.text = (*items)[pick];
    if (desktop.ComboSelection(child.handle) == pick) continue;
    if (desktop.SelectComboItem(child.handle, pick).ok()) {
      (void)desktop.PostCommand(desktop.CommandTarget(child.handle), child.control_id, kSelChange,
                                child.handle);
    }
  }
  result.onlyIntegrated = integrated_seen && result.text.empty();
  return result;
}

platform::WindowHandle FindProcessWindow(std::uint32_t processId, const std::wstring& titlePrefix,
                                         bool visibleOnly) {
  for (const auto& w : platform::Sys().desktop.TopLevelWindows()) {
    if (w.process_id == processId && (w.visible || !visibleOnly) &&
        w.title.compare(0, titlePrefix.size(), titlePrefix) == 0) {
      return w.handle;
    }
  }
  return 0;
}
