// SimInstanceLock: named mutexes of the simulated machine. A name exists while a handle
// to it lives, whether this process holds it or another one does (HoldElsewhere).
// Names are case-sensitive, as kernel object names are.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/instance_lock.h"

namespace platform {

class SimInstanceLock final : public InstanceLock {
 public:
  SimInstanceLock();
  ~SimInstanceLock() override;

  std::unique_ptr<HeldMutex> TryCreate(const std::wstring& name) override;
  support::Result<std::unique_ptr<HeldMutex>> Acquire(const std::wstring& name) override;

  // Test controls.
  // Another process creates (or closes) the name.
  void HoldElsewhere(const std::wstring& name);
  void ReleaseElsewhere(const std::wstring& name);
  // Whether anyone holds the name now.
  bool IsHeld(const std::wstring& name);
  // The next TryCreate fails as if CreateMutexW itself had failed.
  void FailNextCreate();

 private:
  // Shared with the handles, so a handle that outlives the sim still closes safely.
  struct State {
    std::mutex mutex;
    std::map<std::wstring, int> handles;  // open handles per name
    bool fail_next = false;
  };
  class Handle;

  std::shared_ptr<State> state_;
};

}  // namespace platform
