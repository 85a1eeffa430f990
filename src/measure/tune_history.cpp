#include "measure/tune_history.h"

#include <cstdint>
#include <cstdio>
#include <mutex>

#include "measure/atomic_file.h"
#include "measure/csv_text.h"
#include "measure/data_file.h"
#include "measure/data_files_lock.h"
#include "platform/clock.h"
#include "platform/system.h"
#include "support/utf.h"

namespace {

constexpr std::size_t kFieldLimitUtf16 = 240;

std::wstring HistoryPath(const std::wstring& folder) { return folder + L"\\tune-history.csv"; }

// One field of a line: no separators inside, at most 240 UTF-16 units. A character
// outside the basic plane takes two units and is never split in half.
std::wstring CleanField(const std::wstring& text) {
  std::wstring out;
  std::size_t units = 0;
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    const bool high_surrogate = code >= 0xD800 && code <= 0xDBFF;
    const std::size_t width = code > 0xFFFF || high_surrogate ? 2 : 1;
    const bool low_surrogate = code >= 0xDC00 && code <= 0xDFFF;
    if (!low_surrogate && units + width > kFieldLimitUtf16) break;
    if (!low_surrogate) units += width;
    out += (c == L'\r' || c == L'\n' || c == L',') ? L' ' : c;
  }
  return out;
}

std::string StampNow() {
  const platform::LocalTime t = platform::Sys().clock.Now();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return stamp;
}

}  // namespace

void AppendTuneHistoryLocked(const std::wstring& folder, const std::wstring& area,
                             const std::wstring& message) {
  if (folder.empty() || area.empty()) return;
  if (!ReadyToWrite(folder).empty()) return;
  const std::wstring path = HistoryPath(folder);
  // Step 1: the old lines plus the new one. Only a missing file is empty: one that
  // cannot be read keeps every saved line, and this one is not added.
  auto old = ReadDataFile(path);
  if (!old && old.error().code != support::ErrorCode::kNotFound) {
    ReportDataFileFailure(path, old.error());
    return;
  }
  std::string text = old ? std::move(old).value() : std::string{};
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += StampNow() + "," + support::ToUtf8(CleanField(area)) + "," +
          support::ToUtf8(CleanField(message)) + "\n";
  // Step 2: the newest lines only, LF-ended, replaced whole.
  std::vector<std::string_view> lines = SplitLines(text);
  const std::size_t first = lines.size() > kHistoryLineLimit ? lines.size() - kHistoryLineLimit : 0;
  std::string kept;
  for (std::size_t i = first; i < lines.size(); ++i) {
    kept.append(lines[i]);
    kept += '\n';
  }
  const support::Status saved = WriteFileAtomically(path, kept);
  if (!saved) ReportDataFileFailure(path, saved.error());
}

void AppendTuneHistory(const std::wstring& folder, const std::wstring& area,
                       const std::wstring& message) {
  if (folder.empty() || area.empty()) return;
  const DataFilesHold hold;
  if (hold.held()) AppendTuneHistoryLocked(folder, area, message);
}

std::vector<HistoryEntry> ReadTuneHistoryLocked(const std::wstring& folder) {
  std::vector<HistoryEntry> history;
  const auto bytes = ReadDataFile(HistoryPath(folder));
  if (!bytes.ok()) return history;
  const std::vector<std::string_view> lines = SplitLines(*bytes);
  for (auto it = lines.rbegin(); it != lines.rend() && history.size() < kHistoryLineLimit; ++it) {
    const std::vector<std::string_view> f = SplitFields(*it);
    if (f.size() < 3) continue;
    history.push_back({support::FromUtf8(f[0]), support::FromUtf8(f[1]), support::FromUtf8(f[2])});
  }
  return history;
}
