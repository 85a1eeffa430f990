// InstanceLock port: named mutexes shared between processes.
#pragma once

#include <memory>
#include <string>

#include "support/result.h"

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
  // As TryCreate, telling the two failures apart: kAlreadyExists (win32_error 183) when
  // the name is held, the CreateMutexW error otherwise.
  virtual support::Result<std::unique_ptr<HeldMutex>> Acquire(const std::wstring& name) = 0;
};

}  // namespace platform
