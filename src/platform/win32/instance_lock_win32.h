// Win32InstanceLock: CreateMutexW on a named mutex, in the session's or global namespace or
// in a private namespace bounded to the Administrators group.
#pragma once

#include "platform/instance_lock.h"

namespace platform {

class Win32InstanceLock final : public InstanceLock {
 public:
  std::unique_ptr<HeldMutex> TryCreate(const std::wstring& name) override;
  support::Result<std::unique_ptr<HeldMutex>> Acquire(const std::wstring& name) override;
  support::Result<std::unique_ptr<HeldMutex>> AcquireForAdministrators(
      const std::wstring& namespace_name, const std::wstring& name) override;
};

}  // namespace platform
