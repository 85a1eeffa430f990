#include "afterburner/pci_card.h"

#include "support/ascii_case.h"

using support::ContainsNoCase;

bool IsIntegratedGraphicsName(const std::wstring& name) {
  if (ContainsNoCase(name, L"Arc")) return false;
  for (const wchar_t* mark : {L"UHD", L"Iris", L"HD Graphics", L"Intel", L"Ryzen"}) {
    if (ContainsNoCase(name, mark)) return true;
  }
  return ContainsNoCase(name, L"Radeon Graphics") && !ContainsNoCase(name, L"RX");
}

bool NamesDiscreteCard(const std::wstring& name) {
  for (const wchar_t* mark :
       {L"NVIDIA", L"GeForce", L"RTX", L"GTX", L"Quadro", L"Radeon RX", L"RX ", L"Arc"}) {
    if (ContainsNoCase(name, mark)) return true;
  }
  return false;
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
