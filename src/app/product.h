// Product constants shared by the entry point, the usage screen and the single-instance
// lock.
#pragma once

inline constexpr wchar_t kProductName[] = L"Veltrane";
inline constexpr wchar_t kVersionText[] = L"2.10.1";
inline constexpr wchar_t kMakerName[] = L"Orvandel";
inline constexpr wchar_t kMakerUrl[] = L"https://orvandel.com/veltrane";
// Held by every console command that changes the machine, and by the GUI.
inline constexpr wchar_t kInstanceMutexName[] = L"Global\\Veltrane.SingleInstance";
