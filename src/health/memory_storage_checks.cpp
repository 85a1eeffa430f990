// The memory and storage checks that are not generated from a step table: the paging
// file, memory compression, SysMain and TRIM.
#include <cwctype>
#include <optional>

#include "app/command_runner.h"
#include "app/output.h"
#include "app/tool_output.h"
#include "health/fixed_checks.h"
#include "health/health_rules.h"
#include "health/monitor_settings.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kToolTimeoutMs = 20000;
constexpr wchar_t kStorageGroup[] = L"Storage";

std::wstring Trimmed(const std::wstring& text) {
  const std::size_t first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return {};
  return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
}

// Calls `visit` with every line of `report`, trimmed; stops when it returns true.
template <typename Visit>
void ForEachLine(const std::wstring& report, Visit visit) {
  std::size_t start = 0;
  while (start <= report.size()) {
    std::size_t end = report.find(L'\n', start);
    if (end == std::wstring::npos) end = report.size();
    if (visit(Trimmed(report.substr(start, end - start)))) return;
    start = end + 1;
  }
}

// The digit after "<name> = " on a line that starts with `name`; -1 otherwise.
int ValueAfterName(const std::wstring& line, const std::wstring& name) {
  if (line.compare(0, name.size(), name) != 0) return -1;
  const std::wstring rest = Trimmed(line.substr(name.size()));
  if (rest.empty() || rest[0] != L'=') return -1;
  const std::wstring value = Trimmed(rest.substr(1));
  if (value.empty() || (value[0] != L'0' && value[0] != L'1')) return -1;
  if (value.size() > 1 && !std::iswspace(value[1])) return -1;
  return value[0] - L'0';
}

// The start of a report the check could not read, on one line.
// What the check shows of a tool's answer it could not use: a failed run's own message, but
// for a run that succeeded with text the parser does not know (a help screen, say) only that
// the answer was not understood, since its first line would read like a result.
std::wstring ReportExcerpt(const std::optional<ToolOutput>& report, std::size_t length,
                           const wchar_t* whenEmpty, const wchar_t* tool) {
  if (report && report->exitCode == 0 && !Trimmed(report->text).empty()) {
    return std::wstring(L"unrecognised answer from ") + tool;
  }
  std::wstring text = report ? Trimmed(report->text).substr(0, length) : std::wstring();
  for (wchar_t& c : text) {
    if (c < 0x20) c = L' ';
  }
  return text.empty() ? whenEmpty : text;
}

void MarkUnknown(HealthCheck& check, const std::wstring& live, const wchar_t* explanation) {
  check.status = HealthStatus::Unknown;
  check.severity = 1;
  check.live = live;
  check.explanation = explanation;
}

}  // namespace

int ParsePowerShellBool(const std::wstring& report) {
  int value = -1;
  ForEachLine(report, [&value](const std::wstring& line) {
    if (line == L"True") value = 1;
    if (line == L"False") value = 0;
    return value >= 0;
  });
  return value;
}

int ParseDisableDeleteNotify(const std::wstring& report) {
  int ntfs = -1;
  int plain = -1;
  ForEachLine(report, [&](const std::wstring& line) {
    if (ntfs < 0) ntfs = ValueAfterName(line, L"NTFS DisableDeleteNotify");
    if (plain < 0) plain = ValueAfterName(line, L"DisableDeleteNotify");
    return ntfs >= 0;
  });
  if (ntfs >= 0) return ntfs;
  // Only the single-line report of older Windows is read without its file-system name.
  return report.find(L"ReFS") == std::wstring::npos ? plain : -1;
}

HealthCheck CheckPagingFile() {
  HealthCheck check =
      NewHealthCheck(L"memory.pagefile", L"Memory and CPU", L"Paging file", L"memory");
  check.expected = L"a paging file is configured";
  const auto files = platform::Sys().registry.ReadMultiString(
      {platform::Hive::kLocalMachine,
       L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management", L"PagingFiles"});
  const bool set = files && !files->empty() && !files->front().empty();
  check.live = set ? L"PagingFiles is set" : L"PagingFiles is empty";
  ApplyRuleA(check, IsCheckDisabled(check.id), files.ok(), set);
  return check;
}

HealthCheck CheckMemoryCompression() {
  HealthCheck check =
      NewHealthCheck(L"memory.compression", L"Memory and CPU", L"Memory compression", L"memory");
  if (MarkedDisabled(check)) return check;
  const auto report = RunToolForOutput(
      SystemToolPath(L"WindowsPowerShell\\v1.0\\powershell.exe"),
      L"-NoProfile -NonInteractive -Command \"(Get-MMAgent).MemoryCompression\"", kToolTimeoutMs);
  // A failed run's text is an error message, whatever words it happens to contain.
  const int compressed = report && report->exitCode == 0 ? ParsePowerShellBool(report->text) : -1;
  if (compressed < 0) {
    MarkUnknown(check, ReportExcerpt(report, 80, L"Get-MMAgent returned nothing", L"Get-MMAgent"),
                L"Memory compression could not be read. That is not a pass.");
    return check;
  }
  check.expected = L"MemoryCompression = False";
  check.live = compressed ? L"MemoryCompression = True" : L"MemoryCompression = False";
  ApplyRuleA(check, false, true, compressed == 0);
  return check;
}

HealthCheck CheckSysMain() {
  HealthCheck check =
      NewHealthCheck(L"storage.sysmain", kStorageGroup, L"SysMain service", L"storage");
  if (MarkedDisabled(check)) return check;
  auto& services = platform::Sys().services;
  auto manager = services.OpenManager(platform::manager_access::kConnect);
  auto service = manager
                     ? services.Open(**manager, L"SysMain", platform::service_access::kQueryConfig)
                     : support::Result<std::unique_ptr<platform::ServiceHandle>>(manager.error());
  if (manager && !service && service.error().code == support::ErrorCode::kNotFound) {
    check.status = HealthStatus::Informational;
    check.live = L"SysMain is not installed";
    check.explanation = L"The service is absent, which already meets the intent of disabling it.";
    check.repairStep.clear();
    return check;
  }
  const auto config = service ? services.QueryConfig(**service)
                              : support::Result<platform::ServiceConfig>(service.error());
  if (!config) {
    check.status = HealthStatus::Inaccessible;
    check.severity = 1;
    check.live = L"start type unreadable";
    check.explanation = L"SysMain's start type could not be read.";
    return check;
  }
  const auto start = static_cast<std::uint32_t>(config->start_type);
  check.expected = L"start type disabled";
  check.live = Format(L"start type %u", start);
  ApplyRuleA(check, false, true, config->start_type == platform::ServiceStartType::kDisabled);
  return check;
}

HealthCheck CheckTrim() {
  HealthCheck check =
      NewHealthCheck(L"storage.trim", kStorageGroup, L"TRIM / delete notification", L"storage");
  if (MarkedDisabled(check)) return check;
  const auto report = RunToolForOutput(SystemToolPath(L"fsutil.exe"),
                                       L"behavior query DisableDeleteNotify", kToolTimeoutMs);
  const int disabled =
      report && report->exitCode == 0 ? ParseDisableDeleteNotify(report->text) : -1;
  if (disabled < 0) {
    MarkUnknown(check, ReportExcerpt(report, 120, L"fsutil returned nothing", L"fsutil"),
                L"TRIM state could not be read. That is not a pass.");
    return check;
  }
  check.expected = L"DisableDeleteNotify = 0 (TRIM on)";
  check.live = disabled ? L"DisableDeleteNotify = 1" : L"DisableDeleteNotify = 0";
  ApplyRuleA(check, false, true, disabled == 0);
  return check;
}
