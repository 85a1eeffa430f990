// The fixed checks of the health list, one function each, in list order. Each only
// reads; every failure to read becomes a status with its own sentence.
#pragma once

#include "health/health_check.h"

HealthCheck CheckTimerService();
HealthCheck CheckGlobalTimerRequests();
HealthCheck CheckEffectiveResolution();
HealthCheck CheckDisplayDriver();
HealthCheck CheckAfterburner();
HealthCheck CheckRivaTuner();
HealthCheck CheckAfterburnerTask();
HealthCheck CheckPagingFile();
HealthCheck CheckMemoryCompression();
HealthCheck CheckSysMain();
HealthCheck CheckTrim();

// The TRIM state in fsutil's "behavior query DisableDeleteNotify" report: 0 on, 1 off,
// -1 when the report says neither. The NTFS line decides; a report without one (older
// Windows) is read from its single "DisableDeleteNotify = n" line.
int ParseDisableDeleteNotify(const std::wstring& report);

// "True" or "False" on a line of its own in PowerShell's report: 1 or 0; -1 otherwise.
int ParsePowerShellBool(const std::wstring& report);
