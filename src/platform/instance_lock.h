// InstanceLock port: named mutexes shared between processes.
#pragma once

#include <memory>
#include <string>

namespace platform {

// Held while it lives; destroying it closes the handle.
class HeldMutex {
 public:
  virtual ~HeldMutex() = default;
};

class InstanceLock {
 public:
  virtual ~InstanceLock() = default;
  // CreateMutexW(not initially owned). nullptr when the name already exists
  // (ERROR_ALREADY_EXISTS, the handle is closed again) or cannot be created.
  virtual std::unique_ptr<HeldMutex> TryCreate(const std::wstring& name) = 0;
};

}  // namespace platform
