// Service Control Manager helpers shared by install, status, the benchmark, health and
// update. Each opens the manager with connect access and closes what it opened.
#pragma once

#include <cstdint>
#include <string>

#include "platform/services.h"

enum class ServiceState : std::uint32_t { NotInstalled = 0, Running = 1, Stopped = 2 };

inline constexpr wchar_t kServiceName[] = L"Veltrane";
inline constexpr wchar_t kLegacyServiceName[] = L"Quantick";

// How long the helpers wait for a service to reach the state they asked for.
inline constexpr std::uint32_t kServiceWaitMs = 15000;

// A service of this name can be opened for status query.
bool ServiceExists(const std::wstring& name);
// A service named "Veltrane" or, failing that, "Quantick" can be opened for status query.
bool IsTimerServiceInstalled();
// "Veltrane" first, then "Quantick"; NotInstalled also when the manager cannot be opened,
// Stopped also when the status cannot be read.
ServiceState QueryTimerServiceState();
// This one service is in SERVICE_RUNNING.
bool IsServiceRunning(const std::wstring& name);
// The process of this running service; 0 when it does not run or cannot be read.
std::uint32_t ServiceProcessId(const std::wstring& name);
// Stops and waits up to 15 s for SERVICE_STOPPED. A missing service counts as stopped;
// a manager that cannot be opened gives false.
bool StopServiceByName(const std::wstring& name);
// Starts (already running is accepted) and waits up to 15 s for SERVICE_RUNNING.
bool StartServiceByName(const std::wstring& name);
// Polls the status every 200 ms until `state` is seen (true), the time passes or the
// status cannot be read (false).
bool WaitForServiceState(platform::ServiceHandle& service, platform::ServiceRunState state,
                         std::uint32_t timeout_ms);
// Stops the service (waiting up to `stop_wait_ms`, whatever the outcome) and deletes it.
// kNotFound when there is no such service.
support::Status StopAndDeleteService(const std::wstring& name, std::uint32_t stop_wait_ms);
// Stops and deletes "Quantick"; true when it is gone, already marked, or never existed.
bool RemoveLegacyService();
