// How the GPU Clean operations report: lines through the output (console, log and the
// thread's feed) and to the given feed when it is another one; status, item and progress
// to the given feed only.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace gui {
class Feed;
}

void DriverLine(gui::Feed* feed, const std::wstring& text);
void DriverStatus(gui::Feed* feed, const std::wstring& detail);
void DriverItem(gui::Feed* feed, const std::wstring& title, const std::wstring& text);
void DriverProgress(gui::Feed* feed, double fraction);
bool IsStopped(const std::atomic<bool>* cancel);
// An exit code as the messages show it: decimal below 256, "0x%08X" from 256.
std::wstring ExitCodeText(std::uint32_t code);
