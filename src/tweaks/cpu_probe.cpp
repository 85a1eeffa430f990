#include "tweaks/cpu_probe.h"

#include <algorithm>
#include <vector>

#include "app/output.h"
#include "platform/clock.h"
#include "platform/hardware.h"
#include "platform/power.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kRestMs = 120;
constexpr std::uint32_t kLoadMs = 90;
constexpr std::uint32_t kScaledMhz = 80;
constexpr std::uint32_t kNearCapMhz = 50;

// Processor power management subgroup and its PERFCHECK setting (performance time check
// interval).
constexpr support::Guid kProcessorSubgroup{
    0x54533251, 0x82be, 0x4824, {0x96, 0xc1, 0x47, 0xb6, 0x0b, 0x74, 0x0d, 0x00}};
constexpr support::Guid kPerfCheckSetting{
    0x4d2b0152, 0x7d5c, 0x498b, {0x88, 0xe2, 0x34, 0x34, 0x53, 0x92, 0xa2, 0xc5}};

bool IsHybrid() {
  const auto classes = platform::Sys().hardware.CpuSetEfficiencyClasses();
  return classes &&
         std::any_of(classes->begin(), classes->end(), [](std::uint8_t c) { return c != 0; });
}

std::uint32_t PerfCheckMs() {
  auto& power = platform::Sys().power;
  const auto scheme = power.ActiveScheme();
  if (!scheme) return 0;
  return power
      .ReadValueIndex(*scheme, kProcessorSubgroup, kPerfCheckSetting, platform::PowerSource::kAc)
      .value_or(0);
}

bool ReadPpmApplied() {
  return platform::Sys()
             .registry
             .ReadDword({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", L"PpmApplied"})
             .value_or(0) != 0;
}

// Fills the clocks from the rest and load readings; the reason of a failed reading
// otherwise.
bool MeasureClocks(std::uint32_t count, CpuClocks& clocks, std::wstring& failure) {
  auto& sys = platform::Sys();
  sys.clock.Sleep(kRestMs);
  const auto rest = sys.power.ProcessorInformation(count);
  if (!rest || rest->empty()) {
    failure = L"CallNtPowerInformation(ProcessorInformation) failed";
    return false;
  }
  clocks.idle = rest->front().current_mhz;
  for (const platform::ProcessorPower& p : *rest) {
    clocks.idle = std::min(clocks.idle, p.current_mhz);
    clocks.idleMax = std::max(clocks.idleMax, p.current_mhz);
    clocks.cap = std::max(clocks.cap, p.max_mhz);
  }
  sys.hardware.BusySpin(kLoadMs);
  const auto busy = sys.power.ProcessorInformation(count);
  if (!busy || busy->empty()) {
    failure = L"frequency query failed after the load probe";
    return false;
  }
  for (const platform::ProcessorPower& p : *busy) {
    clocks.busy = std::max(clocks.busy, p.current_mhz);
    clocks.cap = std::max(clocks.cap, p.max_mhz);
  }
  return true;
}

}  // namespace

CpuClassification ClassifyCpu(const CpuClocks& c) {
  if (c.busy > c.idle + kScaledMhz) {
    return {kCpuDynamic,
            Format(L"frequency scaled %u -> %u MHz under load (turbo/PBO/SpeedStep is active)",
                   c.idle, c.busy)};
  }
  if (c.cap != 0 && c.idle + kNearCapMhz >= c.cap && c.busy + kNearCapMhz >= c.cap) {
    return {kCpuLocked,
            Format(L"frequency held at %u MHz idle and busy (static / locked multiplier)", c.busy,
                   c.busy)};
  }
  if (c.cap != 0 && c.idleMax + kNearCapMhz < c.cap) {
    return {kCpuDynamic,
            Format(L"running at %u MHz with headroom to %u MHz; not treating as locked", c.idle,
                   c.cap)};
  }
  return {kCpuUnclear, Format(L"idle %u MHz, busy %u MHz, max %u MHz \u2014 could not classify",
                              c.idle, c.busy, c.cap)};
}

std::wstring CpuNameFromBrand(const std::string& raw) {
  std::string text = raw.substr(0, raw.find('\0'));
  const std::size_t first = text.find_first_not_of(' ');
  const std::size_t last = text.find_last_not_of(' ');
  if (first == std::string::npos) return L"CPU";
  text = text.substr(first, last - first + 1);
  // CPUID brand text is ASCII; anything else is shown as '?'.
  std::wstring name;
  for (unsigned char c : text) name += c < 0x80 ? static_cast<wchar_t>(c) : L'?';
  return name;
}

const wchar_t* CpuClassName(std::uint32_t cpuClass) {
  switch (cpuClass) {
    case kCpuLocked:
      return L"LOCKED / static";
    case kCpuDynamic:
      return L"DYNAMIC (turbo/PBO)";
    default:
      return L"UNCLEAR";
  }
}

gui::CpuProbeView ProbeCpu() {
  auto& hardware = platform::Sys().hardware;
  gui::CpuProbeView view;
  view.name = CpuNameFromBrand(hardware.CpuBrandBytes());
  view.logicalCount = std::max<std::uint32_t>(1, hardware.LogicalProcessorCount());
  view.hybrid = IsHybrid();
  view.perfCheckMs = PerfCheckMs();
  view.ppmApplied = ReadPpmApplied();
  CpuClocks clocks;
  std::wstring failure;
  if (MeasureClocks(view.logicalCount, clocks, failure)) {
    const CpuClassification result = ClassifyCpu(clocks);
    view.cpuClass = result.cpuClass;
    view.reason = result.reason;
    view.idleMhz = clocks.idle;
    view.busyMhz = clocks.busy;
    view.capMhz = clocks.cap;
  } else {
    view.cpuClass = kCpuUnclear;
    view.reason = failure;
  }
  if (view.hybrid) view.reason += L" (hybrid P+E CPU)";
  return view;
}

void PrintCpuProbe(const gui::CpuProbeView& view) {
  PrintInfo(Format(L"CPU: %ls  (%u logical processors%ls)", view.name.c_str(), view.logicalCount,
                   view.hybrid ? L" (hybrid P+E CPU)" : L""));
  PrintInfo(Format(L"  frequency: idle %u MHz, busy %u MHz, cap %u MHz", view.idleMhz, view.busyMhz,
                   view.capMhz));
  if (view.perfCheckMs != 0) {
    PrintInfo(
        Format(L"  current processor performance time check interval: %u ms", view.perfCheckMs));
  }
  PrintInfo(
      Format(L"  classified: %ls \u2014 %ls", CpuClassName(view.cpuClass), view.reason.c_str()));
}
