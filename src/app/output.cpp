// The three sinks: console (or a redirected standard stream), the log file and the
// thread's feed. Every path is best effort and never reports its own failure.
#include "app/output.h"

#include <mutex>

#include "app/data_folder.h"
#include "app/feed.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/utf.h"

namespace {

using platform::StdStream;

constexpr std::size_t kLongestLine = 1023;
constexpr std::uint64_t kLogCap = std::uint64_t{4} << 20;

std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

// Callers may pass text that did not come through Format; the cut applies to every sink.
std::wstring Cut(const std::wstring& text) { return text.substr(0, kLongestLine); }

// A console, or a file or pipe that a script redirected the stream to.
bool Reaches(StdStream stream) {
  auto& console = platform::Sys().console;
  return console.IsConsole(stream) || console.IsRedirected(stream);
}

void FeedLine(const std::wstring& text) {
  if (gui::Feed* feed = CurrentFeed()) feed->AddLine(text);
}

// Progress lines only make sense on a real console (a file would keep every redraw).
// Asked at every call: one cheap query, and a test's machine can never inherit the
// answer another machine gave.
bool ProgressGoesToConsole() { return platform::Sys().console.IsConsole(StdStream::kOut); }

}  // namespace

void AppendLog(const std::wstring& text) {
  auto& sys = platform::Sys();
  std::lock_guard<std::mutex> lock(LogMutex());
  // Step 1: the folder may not exist yet on a fresh machine, or may not be safe to write;
  // then the line is skipped.
  if (!PrepareDataFolder(DataFolder()).empty()) return;
  // Step 2: a bounded log: past the cap the file becomes the one previous copy and a new
  // one begins, so lines a user can cause to be written never fill the disk.
  const std::wstring path = LogPath();
  if (const auto size = sys.files.FileSize(path); size && *size > kLogCap) {
    (void)sys.files.MoveReplace(path, path + L".1");
  }
  // Step 3: one append per line, so other processes' lines never tear ours; a line break
  // inside the text (a folder name the user chose) must not start a line of its own.
  std::wstring flat = text;
  for (wchar_t& c : flat) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  const platform::LocalTime t = sys.clock.Now();
  const std::wstring stamp =
      Format(L"%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
  const std::string line = support::ToUtf8(stamp) + "  " + support::ToUtf8(flat) + "\r\n";
  (void)sys.files.Append(path, line);
}

void WriteStandardOutput(const std::wstring& text) {
  if (Reaches(StdStream::kOut)) platform::Sys().console.Write(StdStream::kOut, text);
}

void PrintInfo(const std::wstring& text) {
  const std::wstring line = Cut(text);
  WriteStandardOutput(line + L"\n");
  AppendLog(line);
  FeedLine(line);
}

void PrintError(const std::wstring& text) {
  const std::wstring line = Cut(text);
  auto& console = platform::Sys().console;
  // Standard error when it reaches anyone; else the console on standard output, so a
  // console user still sees why a command failed.
  if (Reaches(StdStream::kErr)) {
    console.Write(StdStream::kErr, line + L"\n");
  } else if (console.IsConsole(StdStream::kOut)) {
    console.Write(StdStream::kOut, line + L"\n");
  }
  AppendLog(L"ERROR: " + line);
  FeedLine(L"ERROR: " + line);
}

void ShowProgress(const std::wstring& text) {
  if (!ProgressGoesToConsole()) return;
  platform::Sys().console.Write(StdStream::kOut, Format(L"\r%-78.78ls", text.c_str()));
}

void ClearProgress() {
  if (!ProgressGoesToConsole()) return;
  platform::Sys().console.Write(StdStream::kOut, Format(L"\r%-78ls\r", L""));
}
