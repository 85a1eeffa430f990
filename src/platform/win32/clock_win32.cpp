#include "platform/win32/clock_win32.h"

#include <windows.h>

namespace platform {

std::int64_t Win32Clock::PerformanceCounter() {
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);  // cannot fail on Windows XP and later
  return counter.QuadPart;
}

std::int64_t Win32Clock::PerformanceFrequency() {
  LARGE_INTEGER frequency{};
  ::QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

std::uint64_t Win32Clock::TickCount64() { return ::GetTickCount64(); }

LocalTime Win32Clock::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint64_t Win32Clock::UtcFileTime() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
}

}  // namespace platform
