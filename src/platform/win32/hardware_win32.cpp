#include "platform/win32/hardware_win32.h"

#include <cpuid.h>
#include <windows.h>

#include <cstring>

#include "platform/win32/dll_export.h"

namespace platform {
namespace {

constexpr unsigned kBrandFirstLeaf = 0x80000002;
constexpr unsigned kBrandLastLeaf = 0x80000004;

// SYSTEM_CPU_SET_INFORMATION's leading fields; the walk goes by each record's size.
struct CpuSetHeader {
  DWORD size;
  DWORD type;  // 0 = CpuSetInformation
  DWORD id;
  WORD group;
  BYTE logical_index;
  BYTE core_index;
  BYTE last_level_cache_index;
  BYTE numa_node_index;
  BYTE efficiency_class;
};

using GetCpuSetsFn = BOOL(WINAPI*)(PVOID, ULONG, PULONG, HANDLE, ULONG);

}  // namespace

std::string Win32Hardware::CpuBrandBytes() {
  unsigned regs[4] = {};
  __cpuid(0x80000000, regs[0], regs[1], regs[2], regs[3]);
  if (regs[0] < kBrandLastLeaf) return {};
  std::string raw;
  for (unsigned leaf = kBrandFirstLeaf; leaf <= kBrandLastLeaf; ++leaf) {
    __cpuid(leaf, regs[0], regs[1], regs[2], regs[3]);
    raw.append(reinterpret_cast<const char*>(regs), sizeof(regs));
  }
  return raw;
}

std::uint32_t Win32Hardware::LogicalProcessorCount() {
  SYSTEM_INFO info{};
  ::GetSystemInfo(&info);
  return info.dwNumberOfProcessors;
}

support::Result<std::vector<std::uint8_t>> Win32Hardware::CpuSetEfficiencyClasses() {
  auto get = win32::BindExport<GetCpuSetsFn>(::GetModuleHandleW(L"kernel32.dll"),
                                             "GetSystemCpuSetInformation");
  if (get == nullptr) {
    return support::Fail(support::ErrorCode::kUnsupported, L"GetSystemCpuSetInformation",
                         ERROR_PROC_NOT_FOUND);
  }
  ULONG needed = 0;
  get(nullptr, 0, &needed, ::GetCurrentProcess(), 0);
  if (needed == 0) {
    return support::Fail(support::ErrorCode::kFailed, L"GetSystemCpuSetInformation",
                         ::GetLastError());
  }
  std::vector<BYTE> buffer(needed);
  if (!get(buffer.data(), needed, &needed, ::GetCurrentProcess(), 0)) {
    return support::Fail(support::ErrorCode::kFailed, L"GetSystemCpuSetInformation",
                         ::GetLastError());
  }
  std::vector<std::uint8_t> classes;
  for (std::size_t offset = 0; offset + sizeof(CpuSetHeader) <= needed;) {
    CpuSetHeader header;
    std::memcpy(&header, buffer.data() + offset, sizeof(header));
    if (header.size == 0) break;
    if (header.type == 0) classes.push_back(header.efficiency_class);
    offset += header.size;
  }
  return classes;
}

void Win32Hardware::BusySpin(std::uint32_t milliseconds) {
  const ULONGLONG start = ::GetTickCount64();
  volatile std::uint64_t count = 0;
  while (::GetTickCount64() - start < milliseconds) count = count + 1;
}

}  // namespace platform
