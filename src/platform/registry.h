// Registry port: the 64-bit view of HKLM and HKCU.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/result.h"

namespace platform {

enum class Hive { kLocalMachine, kCurrentUser };

// A value address: hive, key path below the hive ("SOFTWARE\\Veltrane"), value name.
struct RegPath {
  Hive hive = Hive::kLocalMachine;
  std::wstring key;
  std::wstring value;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // REG_DWORD at `path`. Errors: kNotFound (key or value), kWrongType (any other type),
  // kAccessDenied.
  virtual support::Result<std::uint32_t> ReadDword(const RegPath& path) = 0;
  // Creates the key when missing; never touches sibling values.
  virtual support::Status WriteDword(const RegPath& path, std::uint32_t data) = 0;
  // REG_SZ or REG_EXPAND_SZ (not expanded). Errors as ReadDword.
  virtual support::Result<std::wstring> ReadString(const RegPath& path) = 0;
  virtual support::Status WriteString(const RegPath& path, const std::wstring& data) = 0;
  // REG_MULTI_SZ as its strings.
  virtual support::Result<std::vector<std::wstring>> ReadMultiString(const RegPath& path) = 0;
  virtual support::Status WriteMultiString(const RegPath& path,
                                           const std::vector<std::wstring>& data) = 0;
  // kNotFound when the key or value is missing; callers that only want it gone ignore that.
  virtual support::Status DeleteValue(const RegPath& path) = 0;
  // Deletes `key` with every subkey and value. kNotFound when missing.
  virtual support::Status DeleteTree(Hive hive, const std::wstring& key) = 0;
  virtual bool KeyExists(Hive hive, const std::wstring& key) = 0;
  // Names of the direct subkeys, in the order the registry returns them.
  virtual support::Result<std::vector<std::wstring>> ListSubkeys(Hive hive,
                                                                 const std::wstring& key) = 0;
  // A 64-bit number: REG_QWORD, or REG_BINARY of exactly 8 bytes (little-endian), as
  // display drivers store their memory size. Errors as ReadDword.
  virtual support::Result<std::uint64_t> ReadQword(const RegPath& path) = 0;
};

}  // namespace platform
