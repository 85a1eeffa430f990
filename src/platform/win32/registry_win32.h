// Win32Registry: the Reg* calls, always on the 64-bit view (KEY_WOW64_64KEY), so the
// program sees the same keys whatever its own bitness.
#pragma once

#include "platform/registry.h"

namespace platform {

class Win32Registry final : public Registry {
 public:
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
};

}  // namespace platform
