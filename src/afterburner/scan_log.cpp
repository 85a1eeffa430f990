#include "afterburner/scan_log.h"

#include <initializer_list>

namespace {

constexpr wchar_t kExported[] = L"Overclocked curve exported";
constexpr wchar_t kPointPrefix[] = L"Scanning point ";

// The position of the latest of `markers`, or -1.
long long Latest(const std::wstring& log, std::initializer_list<const wchar_t*> markers) {
  long long latest = -1;
  for (const wchar_t* marker : markers) {
    const std::size_t at = log.rfind(marker);
    if (at != std::wstring::npos && static_cast<long long>(at) > latest) {
      latest = static_cast<long long>(at);
    }
  }
  return latest;
}

long long SuccessAt(const std::wstring& log) { return Latest(log, {kExported, L"Scan succeeded"}); }

long long FailureAt(const std::wstring& log) {
  return Latest(log, {L"Scan failed", L"Scan cancelled", L"Failed to start scanning"});
}

long long RunningAt(const std::wstring& log) {
  return Latest(log, {L"Start scanning", L"Resume scanning", L"Scanning point"});
}

// Reads decimal digits at `i`; false when there are none or too many to be a count.
bool ReadCount(const std::wstring& text, std::size_t& i, double& value) {
  const std::size_t start = i;
  value = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && i - start < 9) {
    value = value * 10 + (text[i] - L'0');
    ++i;
  }
  return i > start && (i >= text.size() || text[i] < L'0' || text[i] > L'9');
}

}  // namespace

int ScanStatus(const std::wstring& logText) {
  const long long s = SuccessAt(logText);
  const long long f = FailureAt(logText);
  const long long r = RunningAt(logText);
  // A failure that a later start superseded is no verdict.
  if (f < 0 || (r >= 0 && r >= f)) {
    if (s < 0) return 0;
    if (f < 0) return 1;
    return f < s ? 1 : 0;
  }
  return (s < 0 || s < f) ? -1 : 1;
}

double ScanProgress(const std::wstring& logText) {
  const std::size_t at = logText.rfind(kPointPrefix);
  if (at == std::wstring::npos) return -1;
  std::size_t i = at + std::char_traits<wchar_t>::length(kPointPrefix);
  double point = 0, count = 0;
  if (!ReadCount(logText, i, point)) return -1;
  if (logText.compare(i, 4, L" of ") != 0) return -1;
  i += 4;
  if (!ReadCount(logText, i, count) || count == 0) return -1;
  return point / count;
}

bool HasRunningMarker(const std::wstring& logText) { return RunningAt(logText) >= 0; }

bool HasConnectedMarker(const std::wstring& logText) {
  return logText.find(L"Connected to MSI Afterburner") != std::wstring::npos;
}

bool HasFailedToStartMarker(const std::wstring& logText) {
  return logText.find(L"Failed to start scanning") != std::wstring::npos;
}

bool HasExportedMarker(const std::wstring& logText) {
  return logText.find(kExported) != std::wstring::npos;
}
