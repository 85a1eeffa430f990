#include "tweaks/backup_store.h"

#include "platform/registry.h"
#include "platform/system.h"
#include "service/service_values.h"

namespace {

platform::RegPath ProductValue(const std::wstring& name) {
  return {platform::Hive::kLocalMachine, kProductKey, name};
}

// Backup text is written by this program, but the key may predate it: cap what is read.
constexpr std::size_t kLongestBackupText = 1024;

}  // namespace

std::optional<std::uint32_t> ReadBackupDword(const std::wstring& name) {
  return ReadProductDword(name);
}

std::optional<std::wstring> ReadBackupString(const std::wstring& name) {
  auto text = platform::Sys().registry.ReadString(ProductValue(name));
  if (!text || text->size() > kLongestBackupText) return std::nullopt;
  return *text;
}

bool WriteBackupDword(const std::wstring& name, std::uint32_t value) {
  return platform::Sys().registry.WriteDword(ProductValue(name), value).ok();
}

bool WriteBackupString(const std::wstring& name, const std::wstring& text) {
  return platform::Sys().registry.WriteString(ProductValue(name), text).ok();
}

bool StepApplied(const wchar_t* name) { return ReadBackupDword(name).value_or(0) != 0; }
