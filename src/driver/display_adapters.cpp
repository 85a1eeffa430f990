#include "driver/display_adapters.h"

#include <cwchar>
#include <cwctype>

#include "app/output.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

using support::ContainsAnyIgnoreCase;
using support::ContainsIgnoreCase;

constexpr wchar_t kDisplayClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";
constexpr wchar_t kPciEnumKey[] = L"SYSTEM\\CurrentControlSet\\Enum\\PCI";
constexpr std::uint32_t kMaxAdapterIndex = 31;
// The registry buffers of the driver key, in characters: 512, 128 and 256 bytes.
constexpr std::size_t kDescChars = 255;
constexpr std::size_t kVersionChars = 63;
constexpr std::size_t kProviderChars = 127;

std::wstring ReadText(const std::wstring& key, const wchar_t* value, std::size_t max_chars) {
  auto text = platform::Sys().registry.ReadString({platform::Hive::kLocalMachine, key, value});
  if (!text) return {};
  return text->substr(0, max_chars);
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

bool IsHex(const std::wstring& text) {
  for (const wchar_t c : text) {
    if (!std::iswxdigit(c) || c > 0x7F) return false;
  }
  return true;
}

// The `length` hex digits after `tag` in `id` (upper case), or empty.
std::wstring HexAfter(const std::wstring& id, const wchar_t* tag, std::size_t length) {
  const std::wstring upper = Upper(id);
  const std::size_t at = upper.find(tag);
  if (at == std::wstring::npos) return {};
  const std::wstring digits = upper.substr(at + std::wcslen(tag), length);
  return digits.size() == length && IsHex(digits) ? digits : std::wstring();
}

void TakeSubsystem(DisplayAdapter& adapter, const std::wstring& id) {
  const std::wstring subsys = HexAfter(id, L"SUBSYS_", 8);
  if (subsys.empty()) return;
  adapter.subsysDeviceId = subsys.substr(0, 4);
  adapter.subsysVendorId = subsys.substr(4, 4);
}

bool HasServiceInstance(const std::wstring& device_key, const wchar_t* service) {
  auto& registry = platform::Sys().registry;
  const auto instances = registry.ListSubkeys(platform::Hive::kLocalMachine, device_key);
  if (!instances) return false;
  for (const std::wstring& instance : *instances) {
    const auto name = registry.ReadString(
        {platform::Hive::kLocalMachine, device_key + L"\\" + instance, L"Service"});
    if (name && support::LowerCase(*name) == service) return true;
  }
  return false;
}

// The subsystem from the PCI enumeration: the device key of this vendor and device that
// names a subsystem, preferring one whose instance runs the vendor's display driver.
void CompleteFromPci(DisplayAdapter& adapter) {
  const auto devices =
      platform::Sys().registry.ListSubkeys(platform::Hive::kLocalMachine, kPciEnumKey);
  if (!devices) return;
  const std::wstring wanted =
      L"VEN_" + adapter.vendorId + L"&DEV_" + adapter.deviceId + L"&SUBSYS_";
  const wchar_t* service = adapter.vendor == kDriverNvidia ? L"nvlddmkm" : L"amdkmdag";
  std::wstring first;
  for (const std::wstring& device : *devices) {
    const std::wstring upper = Upper(device);
    const std::size_t at = upper.find(wanted);
    if (at == std::wstring::npos) continue;
    const std::wstring subsys = upper.substr(at + wanted.size(), 8);
    if (subsys.size() != 8 || !IsHex(subsys)) continue;
    if (first.empty()) first = upper;
    if (HasServiceInstance(std::wstring(kPciEnumKey) + L"\\" + device, service)) {
      first = upper;
      break;
    }
  }
  if (!first.empty()) TakeSubsystem(adapter, first);
}

}  // namespace

std::uint32_t AdapterVendor(const std::wstring& driverDesc, const std::wstring& providerName,
                            const std::wstring& vendorId) {
  // The PCI vendor id cannot be mistaken; a name can ("ATI" inside "Corporation").
  if (vendorId == L"10DE") return kDriverNvidia;
  if (vendorId == L"1002") return kDriverAmd;
  if (vendorId == L"8086") return kDriverIntel;
  if (!vendorId.empty()) return kDriverNone;
  const std::wstring text = driverDesc + L" " + providerName;
  if (ContainsAnyIgnoreCase(text, {L"NVIDIA", L"GeForce", L"Quadro"})) return kDriverNvidia;
  if (ContainsAnyIgnoreCase(text, {L"AMD", L"Radeon"}) ||
      support::ContainsWordIgnoreCase(text, L"ATI")) {
    return kDriverAmd;
  }
  if (ContainsAnyIgnoreCase(text, {L"Intel", L"Arc"})) return kDriverIntel;
  return kDriverNone;
}

bool IsDiscreteAdapter(std::uint32_t vendor, const std::wstring& driverDesc) {
  if (vendor == kDriverNvidia) {
    return ContainsAnyIgnoreCase(driverDesc, {L"GeForce", L"RTX", L"GTX", L"Quadro", L"Tesla"});
  }
  if (vendor != kDriverAmd) return false;
  const bool rx = ContainsIgnoreCase(driverDesc, L"RX");
  if (ContainsIgnoreCase(driverDesc, L"Ryzen")) return false;
  if (ContainsIgnoreCase(driverDesc, L"Graphics") && !rx) return false;
  return rx || ContainsAnyIgnoreCase(driverDesc, {L"Radeon Pro", L"VII", L"Instinct", L"FirePro"});
}

std::vector<DisplayAdapter> ListDisplayAdapters() {
  std::vector<DisplayAdapter> adapters;
  for (std::uint32_t index = 0; index <= kMaxAdapterIndex; ++index) {
    const std::wstring key = Format(L"%ls\\%04u", kDisplayClassKey, index);
    // Step 1: an adapter with a readable description that is not the basic display.
    DisplayAdapter adapter;
    adapter.name = ReadText(key, L"DriverDesc", kDescChars);
    if (adapter.name.empty() || ContainsIgnoreCase(adapter.name, L"Microsoft Basic")) continue;
    // Step 2: version, ids and provider.
    adapter.driverVersion = ReadText(key, L"DriverVersion", kVersionChars);
    const std::wstring matching = ReadText(key, L"MatchingDeviceId", 512);
    adapter.vendorId = HexAfter(matching, L"VEN_", 4);
    adapter.deviceId = HexAfter(matching, L"DEV_", 4);
    TakeSubsystem(adapter, matching);
    const std::wstring provider = ReadText(key, L"ProviderName", kProviderChars);
    // Step 3: the vendor, and whether the card is discrete.
    adapter.vendor = AdapterVendor(adapter.name, provider, adapter.vendorId);
    if (adapter.vendor == kDriverNone) continue;
    adapter.discrete = IsDiscreteAdapter(adapter.vendor, adapter.name);
    // Step 4: the subsystem the vendor lookup needs, from the PCI enumeration.
    const bool served = adapter.vendor == kDriverNvidia || adapter.vendor == kDriverAmd;
    if (served && adapter.subsysDeviceId.empty() && !adapter.vendorId.empty() &&
        !adapter.deviceId.empty()) {
      CompleteFromPci(adapter);
    }
    // Step 5: the memory size, when the driver recorded it.
    adapter.memoryBytes =
        platform::Sys()
            .registry
            .ReadQword({platform::Hive::kLocalMachine, key, L"HardwareInformation.qwMemorySize"})
            .value_or(0);
    adapters.push_back(std::move(adapter));
  }
  return adapters;
}
