#include "tweaks/graphics_backup.h"

#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"
#include "tweaks/backup_names.h"
#include "tweaks/backup_store.h"

namespace {

constexpr std::uint32_t kUnreadableStartType = 0xFFFFFFFF;
constexpr std::uint32_t kDisabledStartType = 4;
constexpr std::uint32_t kNoSuchService = 1060;

platform::RegPath MachineValue(const std::wstring& key, const std::wstring& name) {
  return {platform::Hive::kLocalMachine, key, name};
}

bool IsRestorableStartType(std::uint32_t startType) {
  // Boot start is never a program's to set, 4 is what the step wrote, and anything past it
  // (0xFFFFFFFF: never read) is not a start type.
  return startType >= 1 && startType < kDisabledStartType;
}

}  // namespace

BackupOutcome BackupGraphicsValue(const std::wstring& name, const std::wstring& keyPath,
                                  const std::wstring& valueName, bool keep) {
  const GraphicsBackupNames names = GraphicsBackupNamesFor(name);
  const auto current = platform::Sys().registry.ReadDword(MachineValue(keyPath, valueName));
  if (!current && current.error().code == support::ErrorCode::kWrongType) {
    return BackupOutcome::kOtherType;
  }
  // Only a value that is not there may be recorded as absent.
  if (!current && current.error().code != support::ErrorCode::kNotFound) {
    return BackupOutcome::kNotRecorded;
  }
  const EarlierRecord earlier = EarlierDword(keep, names.had);
  // A kept record must name this very value: adapter positions can shift between runs.
  if (earlier == EarlierRecord::kKept) {
    return ReadBackupString(names.key) == keyPath && ReadBackupString(names.valueName) == valueName
               ? BackupOutcome::kRecorded
               : BackupOutcome::kNotRecorded;
  }
  if (earlier == EarlierRecord::kUnknown) return BackupOutcome::kNotRecorded;
  // The had flag goes last: it vouches for the records before it.
  const bool recorded = (!current || WriteBackupDword(names.value, *current)) &&
                        WriteBackupString(names.key, keyPath) &&
                        WriteBackupString(names.valueName, valueName) &&
                        WriteBackupDword(names.had, current ? 1 : 0);
  return recorded ? BackupOutcome::kRecorded : BackupOutcome::kNotRecorded;
}

bool RestoreGraphicsValue(const std::wstring& name, int& counter) {
  const GraphicsBackupNames names = GraphicsBackupNamesFor(name);
  const auto had = ReadRecordDword(names.had);
  if (!had || !*had) return had.ok();
  const auto key = ReadRecordString(names.key);
  const auto valueName = ReadRecordString(names.valueName);
  if (!key || !valueName) return false;
  if (!*key || !*valueName) return true;
  const platform::RegPath target = MachineValue(**key, **valueName);
  auto& registry = platform::Sys().registry;
  if (**had == 0) {
    // A value of another type was never written by the step: it stays.
    const auto now = registry.ReadDword(target);
    if (!now && now.error().code == support::ErrorCode::kWrongType) return true;
    const support::Status deleted = registry.DeleteValue(target);
    if (!deleted && deleted.error().code != support::ErrorCode::kNotFound) return false;
    ++counter;
    return true;
  }
  const auto previous = ReadRecordDword(names.value);
  if (!previous || !*previous) return previous.ok();
  if (!registry.WriteDword(target, **previous)) return false;
  ++counter;
  return true;
}

ServiceChange DisableServiceWithBackup(const std::wstring& serviceName, bool keep) {
  namespace access = platform::service_access;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return ServiceChange::kAbsent;
  auto service = services.Open(**manager, serviceName,
                               access::kQueryConfig | access::kChangeConfig | access::kStop);
  if (!service) {
    return service.error().win32_error == kNoSuchService ? ServiceChange::kAbsent
                                                         : ServiceChange::kFailed;
  }
  // A start type that could not be read could never be put back: nothing is recorded and
  // the service stays as it is.
  const auto config = services.QueryConfig(**service);
  if (!config) return ServiceChange::kNotRecorded;
  const std::wstring record = ServiceStartBackupName(serviceName);
  EarlierRecord earlier = EarlierDword(keep, record);
  if (earlier == EarlierRecord::kKept && ReadBackupDword(record) == kUnreadableStartType) {
    earlier = EarlierRecord::kNone;
  }
  if (earlier == EarlierRecord::kUnknown ||
      (earlier == EarlierRecord::kNone &&
       !WriteBackupDword(record, static_cast<std::uint32_t>(config->start_type)))) {
    return ServiceChange::kNotRecorded;
  }
  (void)services.Control(**service, platform::service_control::kStop);
  return services.ChangeStartType(**service, kDisabledStartType) ? ServiceChange::kDisabled
                                                                 : ServiceChange::kFailed;
}

bool RestoreServiceStart(const std::wstring& serviceName, int& counter) {
  const auto recorded = ReadRecordDword(ServiceStartBackupName(serviceName));
  if (!recorded) return false;
  const std::optional<std::uint32_t> startType = *recorded;
  if (!startType || !IsRestorableStartType(*startType)) return true;
  namespace access = platform::service_access;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  if (!manager) return false;
  auto service = services.Open(**manager, serviceName, access::kChangeConfig | access::kStart);
  if (!service) return service.error().win32_error == kNoSuchService;
  if (!services.ChangeStartType(**service, *startType)) return false;
  ++counter;
  (void)services.Start(**service);
  return true;
}
