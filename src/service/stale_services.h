// How a service's binary path names its program.
#pragma once

#include <string>
#include <vector>

// The text inside the leading double quotes, or else up to the first space (or all).
std::wstring ProgramPathOf(const std::wstring& binary_path);

// The files the service manager may run for `binary_path`, in the order it tries them: the
// quoted path alone; else every prefix that ends before a blank, then the whole line (each
// without an extension also with ".exe"), so "C:\\Program Files\\x.exe" unquoted is
// "C:\\Program.exe" first.
std::vector<std::wstring> ProgramCandidatesOf(const std::wstring& binary_path);
