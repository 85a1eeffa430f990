// How a service's binary path names its program.
#pragma once

#include <string>

// The text inside the leading double quotes, or else up to the first space (or all).
std::wstring ProgramPathOf(const std::wstring& binary_path);
