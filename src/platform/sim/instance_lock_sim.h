// SimInstanceLock: named mutexes of the simulated machine. A name exists while a handle
// to it lives, whether this process holds it or another one does (HoldElsewhere).
// Names are case-sensitive, as kernel object names are. A mutex in the Administrators'
// private namespace is apart from every plain name, and only an elevated process of the
// machine's environment reaches it.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/instance_lock.h"
#include "platform/sim/environment_sim.h"

namespace platform {

class SimInstanceLock final : public InstanceLock {
 public:
  explicit SimInstanceLock(SimEnvironment& environment);
  ~SimInstanceLock() override;

  std::unique_ptr<HeldMutex> TryCreate(const std::wstring& name) override;
  support::Result<std::unique_ptr<HeldMutex>> Acquire(const std::wstring& name) override;
  support::Result<std::unique_ptr<HeldMutex>> AcquireForAdministrators(
      const std::wstring& namespace_name, const std::wstring& name) override;

  // Test controls.
  // Another process creates (or closes) the name.
  void HoldElsewhere(const std::wstring& name);
  void ReleaseElsewhere(const std::wstring& name);
  // Another elevated process creates `name` in the Administrators' namespace.
  void HoldElsewhereForAdministrators(const std::wstring& namespace_name, const std::wstring& name);
  // Whether anyone holds the name now.
  bool IsHeld(const std::wstring& name);
  bool IsHeldForAdministrators(const std::wstring& namespace_name, const std::wstring& name);
  // The next creation fails as if CreateMutexW itself had failed.
  void FailNextCreate();
  // Whether the system has private namespaces (Wine has none).
  void SetPrivateNamespaces(bool present);

 private:
  // Shared with the handles, so a handle that outlives the sim still closes safely.
  struct State {
    std::mutex mutex;
    std::map<std::wstring, int> handles;  // open handles per name
    bool fail_next = false;
  };
  class Handle;

  support::Result<std::unique_ptr<HeldMutex>> Create(const std::wstring& key,
                                                     const std::wstring& name);

  SimEnvironment& environment_;
  bool private_namespaces_ = true;
  std::shared_ptr<State> state_;
};

}  // namespace platform
