#include "afterburner/pci_card.h"

#include "support/text_match.h"

using support::ContainsAnyIgnoreCase;
using support::ContainsIgnoreCase;

bool IsIntegratedGraphicsName(const std::wstring& name) {
  if (ContainsIgnoreCase(name, L"Arc")) return false;
  if (ContainsAnyIgnoreCase(name, {L"UHD", L"Iris", L"HD Graphics", L"Intel", L"Ryzen"}))
    return true;
  return ContainsIgnoreCase(name, L"Radeon Graphics") && !ContainsIgnoreCase(name, L"RX");
}

bool NamesDiscreteCard(const std::wstring& name) {
  return ContainsAnyIgnoreCase(
      name, {L"NVIDIA", L"GeForce", L"RTX", L"GTX", L"Quadro", L"Radeon RX", L"RX ", L"Arc"});
}

PciECard SelectPciECard(const std::vector<PciECard>& adapters) {
  constexpr std::uint32_t kNvidia = 1, kAmd = 2;
  const PciECard* best = nullptr;
  for (const PciECard& a : adapters) {
    if (IsIntegratedGraphicsName(a.name)) continue;
    if (a.vendor != kNvidia && !(a.vendor == kAmd && a.discrete)) continue;
    const bool better = best == nullptr || (a.vendor == kNvidia && best->vendor != kNvidia) ||
                        (a.vendor == best->vendor && a.memoryBytes > best->memoryBytes);
    if (better) best = &a;
  }
  return best ? *best : PciECard{};
}
