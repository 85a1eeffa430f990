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

template <typename T>
support::Result<std::optional<T>> AsRecord(support::Result<T> read) {
  if (read) return std::optional<T>(*read);
  const support::ErrorCode code = read.error().code;
  if (code == support::ErrorCode::kNotFound || code == support::ErrorCode::kWrongType) {
    return std::optional<T>();
  }
  return read.error();
}

}  // namespace

std::optional<std::uint32_t> ReadBackupDword(const std::wstring& name) {
  return ReadProductDword(name);
}

std::optional<std::wstring> ReadBackupString(const std::wstring& name) {
  auto text = platform::Sys().registry.ReadString(ProductValue(name));
  if (!text || text->size() > kLongestBackupText) return std::nullopt;
  return *text;
}

support::Result<std::optional<std::uint32_t>> ReadRecordDword(const std::wstring& name) {
  return AsRecord(platform::Sys().registry.ReadDword(ProductValue(name)));
}

support::Result<std::optional<std::wstring>> ReadRecordString(const std::wstring& name) {
  auto text = AsRecord(platform::Sys().registry.ReadString(ProductValue(name)));
  if (text && *text && (*text)->size() > kLongestBackupText) return std::optional<std::wstring>();
  return text;
}

bool WriteBackupDword(const std::wstring& name, std::uint32_t value) {
  return platform::Sys().registry.WriteDword(ProductValue(name), value).ok();
}

bool WriteBackupString(const std::wstring& name, const std::wstring& text) {
  return platform::Sys().registry.WriteString(ProductValue(name), text).ok();
}

std::optional<bool> StepApplied(const wchar_t* name) {
  const auto flag = ReadRecordDword(name);
  if (flag) return flag->value_or(0) != 0;
  PrintError(
      Format(L"%ls could not be read under HKLM\\%ls (error %u); what it covers was not "
             L"restored.",
             name, kProductKey, flag.error().win32_error));
  return std::nullopt;
}

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
