#include "tweaks/compression_record.h"

#include <cstdint>

#include "app/command_runner.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_values.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"

namespace {

constexpr std::uint32_t kQueryTimeoutMs = 20000;
// Exit codes of the query: on, off, or the cmdlets missing (anything else is a failure of
// its own).
constexpr std::uint32_t kCompressionOn = 11;
constexpr std::uint32_t kCompressionOff = 10;
constexpr wchar_t kQueryCompression[] =
    L"$a = Get-MMAgent -ErrorAction SilentlyContinue; if (-not $a) { exit 2 }; "
    L"if ($a.MemoryCompression) { exit 11 }; exit 10";

}  // namespace

CompressionState QueryCompression() {
  const std::uint32_t code = RunPowerShell(kQueryCompression, kQueryTimeoutMs);
  if (code == kCompressionOn) return CompressionState::kOn;
  if (code == kCompressionOff) return CompressionState::kOff;
  return CompressionState::kUnknown;
}

bool RecordCompressionOnce(CompressionState state) {
  const auto existing = platform::Sys().registry.ReadDword(
      {platform::Hive::kLocalMachine, kProductKey, kMemCompDisabled});
  if (existing) return true;
  // A record that cannot be read is never taken for an absent one.
  if (existing.error().code != support::ErrorCode::kNotFound) return false;
  if (state == CompressionState::kUnknown) return false;
  return WriteBackupDword(kMemCompDisabled, state == CompressionState::kOn ? 1 : 0);
}
