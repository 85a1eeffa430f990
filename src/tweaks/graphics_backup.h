// The registry and service halves of the backup protocol: record a DWORD under HKLM or a
// service's start type before changing it, and put either back.
#pragma once

#include <cstdint>
#include <string>

enum class BackupOutcome {
  kRecorded,     // recorded now, or kept from an earlier run of the applied step
  kOtherType,    // the value exists with another type: not ours to change
  kNotRecorded,  // the product key refused the record
};

// Records HKLM `keyPath`\`valueName` under the names built from `name` ("Gpu_<name>...").
// With `keep`, a record an earlier run made stays as it is.
BackupOutcome BackupGraphicsValue(const std::wstring& name, const std::wstring& keyPath,
                                  const std::wstring& valueName, bool keep);
// Writes the recorded DWORD back, or deletes the value when there was none; `counter`
// rises for each value put back, deleted or already absent. False when that failed.
bool RestoreGraphicsValue(const std::wstring& name, int& counter);

enum class ServiceChange {
  kDisabled,     // set to disabled (and asked to stop)
  kAbsent,       // no such service, or the manager cannot be opened
  kFailed,       // the service exists but was not changed
  kNotRecorded,  // its start type could not be recorded; left unchanged
};

// Records the start type in "GpuSvc_<service>_start" and disables the service.
ServiceChange DisableServiceWithBackup(const std::wstring& serviceName, bool keep);
// Sets a recorded start type (automatic, manual or system) back and starts the service;
// `counter` rises when the start type was set. False when the service is there but could
// not be changed.
bool RestoreServiceStart(const std::wstring& serviceName, int& counter);
