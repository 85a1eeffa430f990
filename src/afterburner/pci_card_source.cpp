// The adapter list the card is chosen from.
#include "afterburner/pci_card.h"

PciECard SelectPciECard() { return SelectPciECard(std::vector<PciECard>{}); }
