// The PCI-E card among this machine's display adapters.
#include "afterburner/pci_card.h"
#include "driver/display_adapters.h"

PciECard SelectPciECard() {
  std::vector<PciECard> cards;
  for (const DisplayAdapter& a : ListDisplayAdapters()) {
    cards.push_back(PciECard{a.name, a.vendor, a.discrete, a.deviceId, a.memoryBytes});
  }
  return SelectPciECard(cards);
}
