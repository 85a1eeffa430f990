#include "tweaks/gpu_probe.h"

#include <algorithm>
#include <cwctype>
#include <initializer_list>

#include "app/output.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "tweaks/gpu_catalogue.h"
#include "support/text_match.h"

namespace {

constexpr wchar_t kGraphicsDriversKey[] = L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers";
constexpr std::uint32_t kMaxAdapterIndex = 31;
constexpr std::uint32_t kHagsOn = 2;

using support::ContainsAnyIgnoreCase;

std::wstring ReadAdapterString(const std::wstring& key, const wchar_t* value) {
  return platform::Sys()
      .registry.ReadString({platform::Hive::kLocalMachine, key, value})
      .value_or(std::wstring{});
}

struct Adapter {
  std::wstring key;
  AdapterIdentity identity;
};

std::vector<Adapter> ListAdapters() {
  auto& registry = platform::Sys().registry;
  std::vector<Adapter> adapters;
  for (std::uint32_t index = 0; index <= kMaxAdapterIndex; ++index) {
    const std::wstring key = Format(L"%ls\\%04u", kDisplayClassKey, index);
    auto desc = registry.ReadString({platform::Hive::kLocalMachine, key, L"DriverDesc"});
    if (!desc) continue;
    adapters.push_back({key, {ReadAdapterString(key, L"ProviderName"), *desc}});
  }
  return adapters;
}

bool MatchesVendor(const AdapterIdentity& adapter, std::uint32_t vendor) {
  if (vendor == kVendorNvidia) return IsNvidiaAdapter(adapter);
  if (vendor == kVendorAmd) return IsAmdAdapter(adapter);
  return true;
}

}  // namespace

bool IsNvidiaAdapter(const AdapterIdentity& a) {
  return ContainsAnyIgnoreCase(a.providerName, {L"NVIDIA"}) ||
         ContainsAnyIgnoreCase(a.driverDesc, {L"NVIDIA", L"GeForce", L"RTX", L"GTX", L"Quadro"});
}

bool IsAmdAdapter(const AdapterIdentity& a) {
  return ContainsAnyIgnoreCase(a.providerName, {L"AMD"}) ||
         support::ContainsWordIgnoreCase(a.providerName, L"ATI") ||
         ContainsAnyIgnoreCase(a.driverDesc, {L"AMD", L"Radeon", L"Ryzen Graphics"});
}

bool IsIntelAdapter(const AdapterIdentity& a) {
  return ContainsAnyIgnoreCase(a.driverDesc, {L"Intel", L"Arc", L"UHD", L"Iris"});
}

std::vector<std::wstring> ListAdapterKeys(std::uint32_t vendor) {
  std::vector<std::wstring> keys;
  for (const Adapter& adapter : ListAdapters()) {
    if (MatchesVendor(adapter.identity, vendor)) keys.push_back(adapter.key);
  }
  return keys;
}

gui::GpuProbeView ProbeGpu() {
  auto& registry = platform::Sys().registry;
  gui::GpuProbeView view;
  std::wstring names;
  for (const Adapter& adapter : ListAdapters()) {
    if (!names.empty()) names += L" + ";
    names += adapter.identity.driverDesc;
    if (view.name.empty()) view.name = adapter.identity.driverDesc;
    view.hasNvidia = view.hasNvidia || IsNvidiaAdapter(adapter.identity);
    view.hasAmd = view.hasAmd || IsAmdAdapter(adapter.identity);
    view.hasIntel = view.hasIntel || IsIntelAdapter(adapter.identity);
  }
  if (view.name.empty()) view.name = L"no display adapter found";
  view.hagsOn =
      registry.ReadDword({platform::Hive::kLocalMachine, kGraphicsDriversKey, L"HwSchMode"})
          .value_or(0) == kHagsOn;
  view.gpuApplied =
      registry.ReadDword({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"GpuApplied"})
          .value_or(0) != 0;
  view.summary = names.empty() ? L"no PCI display adapters enumerated" : names;
  view.summary += view.hagsOn ? L"  \u00b7  HAGS on" : L"  \u00b7  HAGS off";
  if (view.hasNvidia) view.summary += L"  \u00b7  NVIDIA";
  if (view.hasAmd) view.summary += L"  \u00b7  AMD";
  if (view.hasIntel) view.summary += L"  \u00b7  Intel";
  return view;
}

void PrintGpuProbe(const gui::GpuProbeView& view) {
  PrintInfo(Format(L"GPU: %ls", view.name.c_str()));
  PrintInfo(Format(L"  %ls", view.summary.c_str()));
}
