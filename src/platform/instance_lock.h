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
  // As Acquire, for the mutex `name` inside the private namespace `namespace_name` whose
  // boundary admits only the Administrators group (CreateBoundaryDescriptorW with the
  // Administrators SID, CreatePrivateNamespaceW or else OpenPrivateNamespaceW, both
  // granting SYSTEM and Administrators alone); the namespace stays open while the mutex is
  // held. kAccessDenied when this token may not create or open the namespace (an
  // unelevated one); kUnsupported when the system has no private namespaces.
  virtual support::Result<std::unique_ptr<HeldMutex>> AcquireForAdministrators(
      const std::wstring& namespace_name, const std::wstring& name) = 0;
};

}  // namespace platform
