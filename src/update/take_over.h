// Converging the copies on one machine before the window opens: the newest version wins,
// is copied over the installed one, the service and the sign-in entries are pointed at it,
// and older running copies are asked to close. Each problem is logged and the start goes
// on; nothing here fails the start.
#pragma once

#include <string>

namespace update {

inline constexpr wchar_t kShowMessage[] = L"Veltrane.Show";
inline constexpr wchar_t kReplaceMessage[] = L"Veltrane.Replace";

// True when this process should go on to open its window, false when it should exit
// (another copy was shown or started). `args` is this process's argument text.
bool TakeOverFromOtherCopies(const std::wstring& args);

// The ".old" files a replacement left beside the running and the installed executable.
void DeleteLeftovers();

// Starts the running executable again with "--show" from its own folder.
bool RelaunchWithShow();

// Posts a registered message to every top-level window.
void Broadcast(const std::wstring& message);

}  // namespace update
