#include "platform/system.h"

#include <atomic>
#include <cstdlib>

namespace platform {
namespace {

// Worker threads read the system that the main thread installed before starting them.
std::atomic<System*> g_system{nullptr};

}  // namespace

System& Sys() {
  System* system = g_system.load(std::memory_order_acquire);
  if (system == nullptr) std::abort();
  return *system;
}

void InstallSystem(System* system) { g_system.store(system, std::memory_order_release); }

ScopedSystem::ScopedSystem(System& system) : previous_(g_system.load()) {
  InstallSystem(&system);
}

ScopedSystem::~ScopedSystem() { InstallSystem(previous_); }

}  // namespace platform
