// The three sinks every role reports through: the console (when there is one), the log
// file in the data folder, and the thread's feed. Every output path is best effort.
#pragma once

#include <cstdint>
#include <string>

#include "app/options.h"

// Well-known folders (environment variable + "\\Veltrane", with the fixed fallbacks).
std::wstring DataFolder();
std::wstring LogPath();
std::wstring InstallFolder();
std::wstring InstalledExePath();

// printf-style formatting into the 1024-character buffer (cut at 1023). Use portable
// specifiers: %u, %llu, %ls, %.4f. Every user-visible line is built with it.
std::wstring Format(const wchar_t* pattern, ...);

// One time-stamped line appended to the log (opened and closed per line).
void AppendLog(const std::wstring& text);
// Console standard output + log + feed.
void PrintInfo(const std::wstring& text);
// Console standard error + log and feed with "ERROR: ".
void PrintError(const std::wstring& text);
// Text for standard output alone (usage, version, prompts): written when standard output
// is a console or redirected to a file or pipe; never logged.
void WriteStandardOutput(const std::wstring& text);
// The one-line console status display; never reaches the log or the feed. Written only
// to a real console, never to a redirected standard output.
void ShowProgress(const std::wstring& text);
void ClearProgress();
// "%d:%02d" of the rounded seconds.
std::wstring FormatDuration(double seconds);
// A yes/no question with a default (taken with --yes, or when input is not a console).
bool Confirm(const Options& options, const std::wstring& question, bool defaultYes);
// The per-setting pause of the tuning steps; honours the dwell switch and cancellation.
void DwellPause(std::uint32_t milliseconds);
