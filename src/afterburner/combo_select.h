// Pointing a program's graphics-card lists at the PCI-E card.
#pragma once

#include <string>

#include "platform/desktop.h"

struct PciECard;

struct ComboSelection {
  bool onlyIntegrated = false;  // a card list showed integrated graphics and no PCI-E card
  std::wstring text;            // the PCI-E item now selected, or empty
};

// Sets every combo box of `window` that lists graphics cards to the PCI-E card (the item
// naming `card` when there is one, else the first PCI-E item) and tells its owner, as a
// user's choice would.
ComboSelection SelectCardInCombos(platform::WindowHandle window, const PciECard& card);
// The first top-level window of process `processId` whose title begins with `titlePrefix`
// (visible ones only when `visibleOnly`); 0 when there is none.
platform::WindowHandle FindProcessWindow(std::uint32_t processId, const std::wstring& titlePrefix,
                                         bool visibleOnly);
