#include "driver/package_record.h"

#include "driver/sha256.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Veltrane";
constexpr wchar_t kFileValue[] = L"GpuPackagePath";
constexpr wchar_t kHashValue[] = L"GpuPackageSha256";
constexpr std::size_t kHashChunk = 4u << 20;

platform::RegPath At(const wchar_t* value) {
  return {platform::Hive::kLocalMachine, kProductKey, value};
}

}  // namespace

void RecordPackage(const std::wstring& path, const std::wstring& sha256) {
  auto& registry = platform::Sys().registry;
  (void)registry.WriteString(At(kFileValue), path);
  (void)registry.WriteString(At(kHashValue), sha256);
}

void ForgetPackageRecord() {
  auto& registry = platform::Sys().registry;
  (void)registry.DeleteValue(At(kFileValue));
  (void)registry.DeleteValue(At(kHashValue));
}

bool MatchesPackageRecord(const std::wstring& path) {
  auto& registry = platform::Sys().registry;
  const auto file = registry.ReadString(At(kFileValue));
  const auto hash = registry.ReadString(At(kHashValue));
  if (!file || !hash || support::LowerCase(*file) != support::LowerCase(path)) return false;
  const std::wstring now = HashFile(path);
  return !now.empty() && now == *hash;
}

std::wstring HashFile(const std::wstring& path) {
  auto& files = platform::Sys().files;
  const auto size = files.FileSize(path);
  Sha256 hash;
  if (!size || !hash.Start()) return {};
  for (std::uint64_t at = 0; at < *size; at += kHashChunk) {
    const auto piece = files.ReadBytes(path, at, kHashChunk);
    if (!piece || piece->empty() || !hash.Add(*piece)) return {};
  }
  return hash.Finish();
}
