// tune-history.csv: a short rolling log of what each tuning step did.
#pragma once

#include <string>
#include <vector>

inline constexpr std::size_t kHistoryLineLimit = 500;

struct HistoryEntry {
  std::wstring time;
  std::wstring area;
  std::wstring message;
};

// Appends "time,area,message" (local time) and keeps the newest 500 lines. Commas and
// line breaks in area and message become spaces and each is cut to 240 UTF-16 units.
// Nothing happens for an empty folder or area. Takes DataFilesLock.
void AppendTuneHistory(const std::wstring& folder, const std::wstring& area,
                       const std::wstring& message);
// The same with the lock already held by the caller.
void AppendTuneHistoryLocked(const std::wstring& folder, const std::wstring& area,
                             const std::wstring& message);
// Up to 500 entries, newest first; lines with fewer than three fields are skipped.
// The caller holds DataFilesLock.
std::vector<HistoryEntry> ReadTuneHistoryLocked(const std::wstring& folder);
