// SimSharedMemory: named mappings and mutexes that simulated programs create. A mutex
// may be held by "another process" so waits run out; a wait takes its whole time-out on
// the sim clock. Hooks let a program model react when the mapping is written or the
// mutex is taken, as the real program would between two of our reads.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/shared_memory.h"
#include "platform/sim/clock_sim.h"

namespace platform {

class SimSharedMemory final : public SharedMemory {
 public:
  explicit SimSharedMemory(SimClock& clock);

  support::Result<std::string> ReadMapping(const std::wstring& name,
                                           std::size_t max_bytes) override;
  support::Result<bool> OwnedByAdministrators(const std::wstring& name) override;
  support::Status WriteMapping(const std::wstring& name, std::size_t offset,
                               std::string_view bytes) override;
  support::Status LockMutex(const std::wstring& name, std::uint32_t timeout_ms) override;
  void UnlockMutex(const std::wstring& name) override;

  // Test and model controls. An elevated program's mapping is owned by the
  // Administrators group; one a program of the user made first is not. A name already
  // taken keeps its mapping, as CreateFileMappingW opens it.
  void CreateMapping(const std::wstring& name, std::string bytes, bool admin_owned = true);
  void CloseMapping(const std::wstring& name);
  // The mapping's bytes now (empty when it does not exist).
  std::string Bytes(const std::wstring& name);
  void SetBytes(const std::wstring& name, std::size_t offset, std::string_view bytes);
  void CreateMutex(const std::wstring& name);
  // Another process holds (or lets go of) the mutex.
  void HoldElsewhere(const std::wstring& name, bool held);
  bool IsLockedHere(const std::wstring& name);
  // Runs, unlocked, before every LockMutex: a model catches up with the clock.
  void SetLockHook(std::function<void()> hook);

 private:
  SimClock& clock_;
  std::mutex mutex_;
  std::map<std::wstring, std::string> mappings_;
  std::set<std::wstring> user_owned_;     // mappings a program without elevation made
  std::map<std::wstring, bool> mutexes_;  // name -> held by another process
  std::set<std::wstring> locked_here_;
  std::function<void()> lock_hook_;
};

}  // namespace platform
