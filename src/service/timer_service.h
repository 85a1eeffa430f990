// The Windows service role (--service): holds the chosen timer period from every boot.
#pragma once

#include <cstdint>

#include "platform/services.h"

// Runs the service dispatcher with the timer service's main; returns the process exit
// code (0 when the dispatcher returned success, 1 when it failed).
int RunTimerServiceDispatcher();

// The service main: reads the saved period, requests it, re-requests it every 30 s until
// stopped, then releases it. Arguments are ignored.
void TimerServiceMain(std::uint32_t argc, wchar_t** argv);
// Stop and shutdown report STOP_PENDING and wake the main; interrogate is answered;
// anything else is not implemented.
std::uint32_t TimerServiceControlHandler(std::uint32_t control, std::uint32_t event_type,
                                         void* event_data, void* context);
// Passes the state to the manager; does nothing before the handler is registered.
void ReportServiceStatus(platform::ServiceRunState state, std::uint32_t exit_code);
