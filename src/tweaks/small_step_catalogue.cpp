#include "tweaks/small_step_catalogue.h"

#include "support/guid_parse.h"

namespace {

constexpr PowerTweak kStoragePower[] = {
    {L"ASPM", L"PCI Express link-state power management", L"",
     L"ASPM L0s/L1 adds a wake latency on every PCIe transaction. Off keeps the GPU and NVMe link "
     L"fully awake so a frame submit does not wait on a sleeping lane.",
     0, 1600, support::GuidLiteral(L"ee12f906-d277-404b-b6da-e5fa1a576df5"),
     support::GuidLiteral(L"501a4d13-42af-4429-9fd1-a821f2bb0b89")},
    {L"DISKIDLE", L"turn off hard disk after", L"s",
     L"0 = never. Spinning a disk down (or parking an SSD's internal idle) to save a few watts is "
     L"a hitch the next time you touch the pagefile or a shader cache.",
     0, 1500, support::GuidLiteral(L"6738e2c4-e8a5-4a42-b16a-e040e769756e"),
     support::GuidLiteral(L"0012ee47-9041-4b5d-9b77-535fba8b1442")},
    {L"USBSUSPEND", L"USB selective suspend", L"",
     L"Selective suspend powers down USB devices between polls. Mice, keyboards and DACs then take "
     L"a frame to wake, which shows up as polling spikes. Off keeps the controller live.",
     0, 1600, support::GuidLiteral(L"48e6b7a6-50f5-4782-a5d4-53bb8f07e226"),
     support::GuidLiteral(L"2a737441-1930-4402-8d77-b2bebba308a3")},
};

constexpr FixedRow kPrepareRows[] = {
    {L"SYSPROTECT", L"enable System Restore on C:",
     L"Windows only creates restore points if System Protection is on for the system drive.",
     L"Enable-ComputerRestore -Drive C:\\"},
    {L"RESTOREPT", L"create restore point",
     L"Named 'Veltrane pre-tune' so you can roll back from System Restore if anything is unstable.",
     L"SRSetRestorePoint  \u2192  Veltrane pre-tune"},
};

constexpr FixedRow kMemoryRows[] = {
    {L"PAGEFILE", L"system-managed pagefile",
     L"A missing pagefile makes Windows refuse large allocations and hitch on commit. "
     L"System-managed (min/max chosen by Windows) is the guide default. If you already set a "
     L"manual size it is left alone.",
     L"AutomaticManagedPagefile  \u2192  True"},
    {L"MEMCOMP", L"memory compression",
     L"The MemCompression store compresses standby pages on a CPU thread. That is extra DPC work "
     L"on a latency-sensitive box. Disabled here; uninstall turns it back on.",
     L"Disable-MMAgent -MemoryCompression"},
};

constexpr FixedRow kStorageTail[] = {
    {L"TRIM", L"TRIM / DisableDeleteNotify",
     L"TRIM lets the SSD erase unused blocks in the background so random writes stay fast. "
     L"DisableDeleteNotify=0 is TRIM on.",
     L"fsutil behavior set DisableDeleteNotify 0"},
    {L"SYSMAIN", L"SysMain (Superfetch)",
     L"SysMain prefetches from disk using a background thread. On a fast NVMe that is extra I/O "
     L"and CPU for little gain. Disabled; uninstall restores the previous start type.",
     L"SysMain  \u2192  disabled"},
    {L"HIBER", L"hibernate",
     L"powercfg -h off deletes hiberfil.sys and stops the kernel from writing a RAM dump on sleep. "
     L"Fast Startup (which uses hibernate) is a common source of stale GPU state.",
     L"powercfg -h off"},
    {L"WRITECACHE", L"disk write caching",
     L"Device Manager \u2192 Disk \u2192 Policies \u2192 Turn on write caching. The Tessaline "
     L"guide also turns off buffer flushing (power-loss risk). We enable the cache; leave "
     L"flush-off to you if you have a UPS.",
     L"WriteCacheEnabled  \u2192  1"},
    {L"LASTACCESS", L"NTFS last-access timestamps",
     L"Updating last-access on every read is extra metadata I/O. Disabled.",
     L"fsutil behavior set disablelastaccess 1"},
};

std::vector<TweakRow> Rows(std::span<const FixedRow> fixed) {
  std::vector<TweakRow> rows;
  for (const FixedRow& row : fixed) {
    rows.push_back(PendingRow(row.id, row.title, row.explanation, row.detail));
  }
  return rows;
}

}  // namespace

std::span<const PowerTweak> StoragePowerCatalogue() { return kStoragePower; }

std::vector<TweakRow> PrepareRows() { return Rows(kPrepareRows); }

std::vector<TweakRow> MemoryRows() { return Rows(kMemoryRows); }

std::vector<TweakRow> StorageRows() {
  std::vector<TweakRow> rows;
  for (const PowerTweak& tweak : kStoragePower) {
    rows.push_back(PendingRow(tweak.id, tweak.title, tweak.explanation, L""));
  }
  for (TweakRow& row : Rows(kStorageTail)) rows.push_back(std::move(row));
  return rows;
}
