// Format: every user-visible line is built here, so console, log and feed see the same
// text and the same 1023-character cut.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <vector>

#include "app/output.h"

namespace {

constexpr std::size_t kLineBuffer = 1024;
// The C library's vswprintf gives no length on truncation (glibc returns -1 and leaves
// the buffer unterminated), so the line is formatted whole into a larger buffer and cut
// afterwards. Past this size the pattern is taken to be malformed.
constexpr std::size_t kLargestAttempt = std::size_t{1} << 20;

std::wstring FormatArgs(const wchar_t* pattern, va_list args) {
  std::vector<wchar_t> buffer(kLineBuffer);
  while (true) {
    va_list attempt;
    va_copy(attempt, args);
    const int written = std::vswprintf(buffer.data(), buffer.size(), pattern, attempt);
    va_end(attempt);
    if (written >= 0 && static_cast<std::size_t>(written) < buffer.size()) {
      return std::wstring(buffer.data(),
                          std::min(static_cast<std::size_t>(written), kLineBuffer - 1));
    }
    if (buffer.size() >= kLargestAttempt) return {};
    buffer.resize(buffer.size() * 4);
  }
}

}  // namespace

std::wstring Format(const wchar_t* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  std::wstring text = FormatArgs(pattern, args);
  va_end(args);
  return text;
}

std::wstring FormatDuration(double seconds) {
  // Estimates can be negative or absurd early in a run; show them as zero or the cap.
  constexpr double kLongest = 24.0 * 3600.0 * 365.0;
  if (!(seconds > 0)) seconds = 0;
  const int whole = static_cast<int>(std::min(seconds, kLongest) + 0.5);
  return Format(L"%d:%02d", whole / 60, whole % 60);
}
