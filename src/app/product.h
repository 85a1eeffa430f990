// Product constants shared by the entry point, the usage screen and the single-instance
// lock.
#pragma once

inline constexpr wchar_t kProductName[] = L"Veltrane";
// The release this build is, as the window, the usage screen and the update check name it.
// Defined in version_text.cpp alone, so a test build can give another release's text
// without recompiling anything else.
extern const wchar_t kVersionText[];
inline constexpr wchar_t kMakerName[] = L"Orvandel";
inline constexpr wchar_t kMakerUrl[] = L"https://orvandel.com/veltrane";
// Held by every console command that changes the machine, and by the GUI: a mutex in a
// private namespace that only elevated administrators can create or open, so a standard
// user cannot hold the name to block every operation.
inline constexpr wchar_t kInstanceNamespace[] = L"Veltrane";
inline constexpr wchar_t kInstanceMutexName[] = L"Veltrane.SingleInstance";
// The same lock where the system has no private namespaces (Wine).
inline constexpr wchar_t kGlobalInstanceMutexName[] = L"Global\\Veltrane.SingleInstance";
