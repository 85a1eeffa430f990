// SimRegistry: an in-memory registry (the 64-bit view of HKLM and HKCU). Key and value
// names compare case-insensitively and keep the case they were created with; subkeys list
// in Windows' order (sorted, ignoring case). Starts empty: each sim seeds what it needs.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/fault_queue.h"

namespace platform {

enum class RegOp { kRead, kWrite, kDelete, kList };
enum class RegType { kDword, kString, kExpandString, kMultiString, kBinary, kQword };

class SimRegistry final : public Registry {
 public:
  SimRegistry();
  ~SimRegistry() override;

  support::Result<std::uint32_t> ReadDword(const RegPath& path) override;
  support::Status WriteDword(const RegPath& path, std::uint32_t data) override;
  support::Result<std::wstring> ReadString(const RegPath& path) override;
  support::Status WriteString(const RegPath& path, const std::wstring& data) override;
  support::Result<std::vector<std::wstring>> ReadMultiString(const RegPath& path) override;
  support::Status WriteMultiString(const RegPath& path,
                                   const std::vector<std::wstring>& data) override;
  support::Status DeleteValue(const RegPath& path) override;
  support::Status DeleteTree(Hive hive, const std::wstring& key) override;
  bool KeyExists(Hive hive, const std::wstring& key) override;
  support::Result<std::vector<std::wstring>> ListSubkeys(Hive hive,
                                                         const std::wstring& key) override;
  support::Result<std::uint64_t> ReadQword(const RegPath& path) override;

  // Test controls. Reads are ReadDword/ReadString/ReadMultiString; writes the three
  // Write calls; deletes DeleteValue/DeleteTree; lists ListSubkeys. KeyExists never fails.
  void FailNext(RegOp op, support::ErrorCode code, std::uint32_t win32_error = 0);
  void Seed(const RegPath& path, std::uint32_t data);
  void Seed(const RegPath& path, const std::wstring& data);
  void Seed(const RegPath& path, const std::vector<std::wstring>& data);
  void SeedExpandString(const RegPath& path, const std::wstring& data);
  // A value of a type the program never reads (REG_BINARY), for wrong-type paths.
  void SeedBinary(const RegPath& path);
  void SeedKey(Hive hive, const std::wstring& key);
  void SeedQword(const RegPath& path, std::uint64_t data);
  // The type of a stored value; nullopt when the key or value is missing.
  std::optional<RegType> TypeOf(const RegPath& path);

 private:
  struct Value {
    RegType type = RegType::kDword;
    std::uint32_t dword = 0;
    std::vector<std::wstring> strings;  // one for SZ and EXPAND_SZ
    std::uint64_t qword = 0;
  };
  struct Key {
    std::wstring name;                                     // as created
    std::map<std::wstring, std::unique_ptr<Key>> subkeys;  // by folded name
    std::map<std::wstring, Value> values;                  // by folded name
  };

  Key* Find(Hive hive, const std::wstring& key);  // nullptr when missing
  Key& Create(Hive hive, const std::wstring& key);
  const Value* FindValue(const RegPath& path);
  // Reads a value that must have one of `types`; the lock is held by the caller.
  support::Result<Value> ReadTyped(const RegPath& path, std::initializer_list<RegType> types);
  support::Status Store(const RegPath& path, Value value);
  void Put(const RegPath& path, Value value);  // no fault check; the lock is held

  std::mutex mutex_;
  std::array<Key, 2> hives_;
  sim::FaultQueue<RegOp> faults_;
};

}  // namespace platform
