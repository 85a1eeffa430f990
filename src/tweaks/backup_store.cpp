#include "tweaks/backup_store.h"

#include "app/output.h"
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

bool MarkStepApplied(const wchar_t* appliedFlag, const wchar_t* what) {
  if (WriteBackupDword(appliedFlag, 1)) return true;
  PrintError(Format(L"The %ls settings could not be recorded; nothing was changed.", what));
  return false;
}

namespace {

EarlierRecord Classify(bool keep, bool read, const support::PortError* error) {
  if (!keep) return EarlierRecord::kNone;
  if (read) return EarlierRecord::kKept;
  return error->code == support::ErrorCode::kNotFound ? EarlierRecord::kNone
                                                      : EarlierRecord::kUnknown;
}

}  // namespace

bool KeepEarlierRecords(const wchar_t* appliedFlag) {
  const auto flag = platform::Sys().registry.ReadDword(ProductValue(appliedFlag));
  if (flag) return *flag != 0;
  return flag.error().code != support::ErrorCode::kNotFound;
}

EarlierRecord EarlierDword(bool keep, const std::wstring& name) {
  if (!keep) return EarlierRecord::kNone;
  const auto value = platform::Sys().registry.ReadDword(ProductValue(name));
  return Classify(keep, value.ok(), value ? nullptr : &value.error());
}

EarlierRecord EarlierString(bool keep, const std::wstring& name) {
  if (!keep) return EarlierRecord::kNone;
  const auto value = platform::Sys().registry.ReadString(ProductValue(name));
  return Classify(keep, value.ok(), value ? nullptr : &value.error());
}
