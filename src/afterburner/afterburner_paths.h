// Where Afterburner, its scanner, its configuration and RivaTuner live.
#pragma once

#include <string>

// The 32-bit Program Files folder: Windows' own in an elevated process, else
// `ProgramFiles(x86)`; "C:\\Program Files (x86)" when neither answers.
std::wstring ProgramFilesX86();
// The folder the user chose in the settings (AfterburnerDir), trailing separators
// removed; empty when none is set or the value is unusable (over 200 characters or with a
// quote character).
std::wstring ChosenAfterburnerDir();
// The chosen folder with "\\MSI Afterburner" appended unless it already ends so, when that
// folder exists and only administrators may change it; else the default folder under
// Program Files (x86). The installer's /D= target.
std::wstring AfterburnerFolder();
// Where Afterburner lives when no folder is chosen (or the chosen one is unsafe).
std::wstring DefaultAfterburnerFolder();
// The first existing MSIAfterburner.exe of the search order that only administrators may
// replace, or empty. A chosen one that others could replace is named with the reason and
// passed over: Afterburner runs elevated.
std::wstring FindAfterburner();
// Empty when `exe` and its folder may run elevated (at logon with the highest rights, or
// from this process); otherwise why not, as a sentence.
std::wstring UnsafeToRunElevated(const std::wstring& exe);
// RTSS.exe under Program Files (x86), or empty.
std::wstring FindRivaTuner();
// The folder part of a path (everything before the last backslash).
std::wstring FolderOf(const std::wstring& path);
// The scanner next to an Afterburner executable.
std::wstring ScannerPath(const std::wstring& afterburnerExe);
// MSIAfterburner.cfg next to an Afterburner executable.
std::wstring ConfigPath(const std::wstring& afterburnerExe);
