// The PCI-E graphics card that Afterburner and its scanner must use, never the
// integrated graphics that Windows often lists first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PciECard {
  std::wstring name;
  std::uint32_t vendor = 0;  // 1 NVIDIA, 2 AMD, 3 Intel
  bool discrete = false;
  std::wstring deviceId;  // four hexadecimal characters, or empty
  std::uint64_t memoryBytes = 0;
};

// Names that mark integrated graphics ("UHD", "Iris", "HD Graphics", "Intel", "Ryzen",
// "Radeon Graphics" without "RX"), unless the name is an Arc card.
bool IsIntegratedGraphicsName(const std::wstring& name);
// Names of a discrete card as the scanner's and Afterburner's lists show them.
bool NamesDiscreteCard(const std::wstring& name);
// NVIDIA before AMD, the larger memory first within a vendor; integrated graphics and
// AMD adapters that are not discrete never qualify. An empty name when none does.
PciECard SelectPciECard(const std::vector<PciECard>& adapters);
// The same over this machine's display adapters.
PciECard SelectPciECard();
