// SharedMemory port: named file mappings and mutexes that another program created.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/result.h"

namespace platform {

class SharedMemory {
 public:
  virtual ~SharedMemory() = default;
  // OpenFileMappingW(FILE_MAP_READ) and a view of the mapping: a copy of its first bytes,
  // never more than `max_bytes`. Whoever created the mapping chose its size, so only what
  // the caller asks for is copied. The view's length is its region size (VirtualQuery), so
  // it may exceed what the creator asked for by up to a page; the caller bounds every
  // field by what it got. kNotFound when no such mapping exists.
  virtual support::Result<std::string> ReadMapping(const std::wstring& name,
                                                   std::size_t max_bytes) = 0;
  // GetSecurityInfo of the mapping: true when its owner is SYSTEM or the Administrators
  // group, as for every object an elevated program creates; false when a program without
  // elevation made it first and an elevated one then opened it under that name.
  // kNotFound as ReadMapping.
  virtual support::Result<bool> OwnedByAdministrators(const std::wstring& name) = 0;
  // Writes `bytes` at `offset` of the mapping (FILE_MAP_WRITE). kInvalidArgument when
  // they do not lie wholly inside the view; kNotFound as ReadMapping.
  virtual support::Status WriteMapping(const std::wstring& name, std::size_t offset,
                                       std::string_view bytes) = 0;
  // OpenMutexW(SYNCHRONIZE) and a wait of `timeout_ms`; an abandoned mutex counts as
  // taken. kTimeout when another holder kept it, kNotFound when it does not exist. The
  // calling thread owns it until UnlockMutex.
  virtual support::Status LockMutex(const std::wstring& name, std::uint32_t timeout_ms) = 0;
  // ReleaseMutex of a mutex this thread took with LockMutex; nothing otherwise.
  virtual void UnlockMutex(const std::wstring& name) = 0;
};

}  // namespace platform
