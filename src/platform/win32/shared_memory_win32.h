// Win32SharedMemory: named file mappings and mutexes of other programs.
#pragma once

#include <map>
#include <mutex>

#include "platform/shared_memory.h"
#include "platform/win32/unique_handle.h"

namespace platform {

class Win32SharedMemory final : public SharedMemory {
 public:
  support::Result<std::string> ReadMapping(const std::wstring& name,
                                           std::size_t max_bytes) override;
  support::Result<bool> OwnedByAdministrators(const std::wstring& name) override;
  support::Status WriteMapping(const std::wstring& name, std::size_t offset,
                               std::string_view bytes) override;
  support::Status LockMutex(const std::wstring& name, std::uint32_t timeout_ms) override;
  void UnlockMutex(const std::wstring& name) override;

 private:
  std::mutex mutex_;
  std::map<std::wstring, win32::UniqueHandle> held_;  // mutexes this process took
};

}  // namespace platform
