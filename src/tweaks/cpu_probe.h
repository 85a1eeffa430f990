// The CPU probe: brand, hybrid layout, and whether the clock is locked or boosting, told
// from the processors' clocks at rest and right after a short load.
#pragma once

#include <cstdint>
#include <string>

namespace gui {

struct CpuProbeView {
  std::uint32_t cpuClass = 2;  // 0 locked / static, 1 dynamic, 2 unclear
  std::uint32_t idleMhz = 0;   // lowest current clock at rest
  std::uint32_t busyMhz = 0;   // highest current clock right after the load
  std::uint32_t capMhz = 0;    // highest maximum clock of both readings
  std::uint32_t logicalCount = 1;
  std::uint32_t perfCheckMs = 0;  // PERFCHECK (AC) of the active scheme; 0 unreadable
  bool hybrid = false;
  bool ppmApplied = false;
  std::wstring name;
  std::wstring reason;
};

}  // namespace gui

enum CpuClass : std::uint32_t { kCpuLocked = 0, kCpuDynamic = 1, kCpuUnclear = 2 };

// The two clock readings the classification looks at, in MHz.
struct CpuClocks {
  std::uint32_t idle = 0;     // lowest current at rest
  std::uint32_t idleMax = 0;  // highest current at rest
  std::uint32_t busy = 0;     // highest current after the load
  std::uint32_t cap = 0;      // highest maximum of both readings
};

struct CpuClassification {
  std::uint32_t cpuClass = kCpuUnclear;
  std::wstring reason;
};

// The first rule that matches: a clock that rose under load, one held at its cap, one
// with headroom, or unclear.
CpuClassification ClassifyCpu(const CpuClocks& clocks);
// The brand bytes trimmed of blanks and cut at the first NUL; "CPU" when nothing is left.
std::wstring CpuNameFromBrand(const std::string& raw);
// "LOCKED / static", "DYNAMIC (turbo/PBO)" or "UNCLEAR".
const wchar_t* CpuClassName(std::uint32_t cpuClass);

gui::CpuProbeView ProbeCpu();
void PrintCpuProbe(const gui::CpuProbeView& view);
