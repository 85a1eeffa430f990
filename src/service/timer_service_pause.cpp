#include "service/timer_service_pause.h"

#include "app/output.h"
#include "platform/environment.h"
#include "platform/system.h"
#include "service/service_control.h"

TimerServicePause::TimerServicePause() {
  std::vector<std::wstring> running;
  for (const wchar_t* name : {kServiceName, kLegacyServiceName}) {
    if (IsServiceRunning(name)) running.emplace_back(name);
  }
  if (running.empty()) return;
  if (!platform::Sys().environment.IsProcessElevated()) {
    PrintInfo(
        L"WARNING: the Veltrane service is running and this console is not elevated, so "
        L"candidates coarser than the service's resolution cannot be measured. Run "
        L"elevated or use --stop first.");
    return;
  }
  PrintInfo(
      L"Stopping the running Veltrane service for the duration of the benchmark (its "
      L"request would mask every candidate coarser than it)...");
  for (const std::wstring& name : running) {
    // One that did not stop still runs, and needs no start afterwards.
    if (StopServiceByName(name)) stopped_.push_back(name);
  }
}

TimerServicePause::~TimerServicePause() { (void)Resume(); }

bool TimerServicePause::Resume() {
  if (stopped_.empty()) return true;
  PrintInfo(L"Restarting the Veltrane service...");
  bool all = true;
  for (const std::wstring& name : stopped_) all = StartServiceByName(name) && all;
  stopped_.clear();
  return all;
}
