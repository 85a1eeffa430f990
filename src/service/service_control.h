// Service Control Manager helpers shared by install, status, the benchmark, health and
// update. Each opens the manager with connect access and closes what it opened.
#pragma once

#include <cstdint>
#include <string>

enum class ServiceState : std::uint32_t { NotInstalled = 0, Running = 1, Stopped = 2 };

inline constexpr wchar_t kServiceName[] = L"Veltrane";
inline constexpr wchar_t kLegacyServiceName[] = L"Quantick";

bool IsTimerServiceInstalled();
ServiceState QueryTimerServiceState();
bool StopServiceByName(const std::wstring& name);
bool StartServiceByName(const std::wstring& name);
bool RemoveLegacyService();
