// The graphics probe: which display adapters the machine has, their vendors, and whether
// hardware-accelerated GPU scheduling is on. Adapters are the numbered subkeys of the
// display class key whose DriverDesc can be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gui {

struct GpuProbeView {
  bool hasNvidia = false;
  bool hasAmd = false;
  bool hasIntel = false;
  bool hagsOn = false;
  bool gpuApplied = false;
  std::wstring name;
  std::wstring summary;
};

}  // namespace gui

enum GpuVendor : std::uint32_t { kAnyVendor = 0, kVendorNvidia = 1, kVendorAmd = 2 };

// What an adapter subkey says about itself.
struct AdapterIdentity {
  std::wstring providerName;
  std::wstring driverDesc;
};

bool IsNvidiaAdapter(const AdapterIdentity& adapter);
bool IsAmdAdapter(const AdapterIdentity& adapter);
bool IsIntelAdapter(const AdapterIdentity& adapter);

// HKLM-relative adapter subkeys (indexes 0-31) that match `vendor` (0 any, 1 NVIDIA, 2 AMD).
std::vector<std::wstring> ListAdapterKeys(std::uint32_t vendor);

gui::GpuProbeView ProbeGpu();
void PrintGpuProbe(const gui::GpuProbeView& view);
