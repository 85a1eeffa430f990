#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <cstring>

#include "platform/win32/unique_handle.h"
#include "platform/win32/win32_error.h"

namespace platform {
using support::ErrorCode;
using support::Fail;
using support::Result;
using support::Status;
using win32::FromWin32;
using win32::UniqueHkey;

namespace {

constexpr DWORD kUnsupportedType = ERROR_UNSUPPORTED_TYPE;

HKEY RootOf(Hive hive) {
  return hive == Hive::kLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

Result<UniqueHkey> OpenKey(Hive hive, const std::wstring& key, REGSAM access) {
  UniqueHkey handle;
  const LSTATUS rc =
      ::RegOpenKeyExW(RootOf(hive), key.c_str(), 0, access | KEY_WOW64_64KEY, handle.Put());
  if (rc != ERROR_SUCCESS) return FromWin32(static_cast<DWORD>(rc), L"RegOpenKeyExW " + key);
  return handle;
}

// The value's type and bytes. Asks for the size, then the data, and again when another
// writer made the value larger in between.
Result<RawValue> QueryRaw(const RegPath& path) {
  auto key = OpenKey(path.hive, path.key, KEY_QUERY_VALUE);
  if (!key) return key.error();
  RawValue raw;
  DWORD size = 0;
  LSTATUS rc =
      ::RegQueryValueExW(key->Get(), path.value.c_str(), nullptr, &raw.type, nullptr, &size);
  while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    raw.bytes.resize(size);
    if (size == 0) return raw;
    rc = ::RegQueryValueExW(key->Get(), path.value.c_str(), nullptr, &raw.type, raw.bytes.data(),
                            &size);
    if (rc == ERROR_SUCCESS) {
      raw.bytes.resize(size);
      return raw;
    }
  }
  return FromWin32(static_cast<DWORD>(rc), L"RegQueryValueExW " + path.value);
}

Result<RawValue> QueryTyped(const RegPath& path, DWORD type, DWORD other_type) {
  auto raw = QueryRaw(path);
  if (!raw) return raw.error();
  if (raw->type != type && raw->type != other_type) {
    return Fail(ErrorCode::kWrongType, path.value, kUnsupportedType);
  }
  return raw;
}

// Wide characters of a string value, without the terminators stored with it.
std::wstring TextOf(const std::vector<BYTE>& bytes) {
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  return text;
}

Status SetValue(const RegPath& path, DWORD type, const void* data, std::size_t size) {
  UniqueHkey key;
  LSTATUS rc = ::RegCreateKeyExW(RootOf(path.hive), path.key.c_str(), 0, nullptr, 0,
                                 KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Put(), nullptr);
  if (rc != ERROR_SUCCESS) return FromWin32(static_cast<DWORD>(rc), L"RegCreateKeyExW " + path.key);
  rc = ::RegSetValueExW(key.Get(), path.value.c_str(), 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(size));
  if (rc != ERROR_SUCCESS) {
    return FromWin32(static_cast<DWORD>(rc), L"RegSetValueExW " + path.value);
  }
  return {};
}

}  // namespace

Result<std::uint32_t> Win32Registry::ReadDword(const RegPath& path) {
  auto raw = QueryTyped(path, REG_DWORD, REG_DWORD);
  if (!raw) return raw.error();
  if (raw->bytes.size() != sizeof(DWORD)) {
    return Fail(ErrorCode::kWrongType, path.value, kUnsupportedType);
  }
  DWORD data = 0;
  std::memcpy(&data, raw->bytes.data(), sizeof(data));
  return std::uint32_t{data};
}

Status Win32Registry::WriteDword(const RegPath& path, std::uint32_t data) {
  const DWORD value = data;
  return SetValue(path, REG_DWORD, &value, sizeof(value));
}

Result<std::wstring> Win32Registry::ReadString(const RegPath& path) {
  auto raw = QueryTyped(path, REG_SZ, REG_EXPAND_SZ);
  if (!raw) return raw.error();
  std::wstring text = TextOf(raw->bytes);
  // The stored terminator (or several, or text after one) is not part of the value.
  text.resize(std::wcslen(text.c_str()));
  return text;
}

Status Win32Registry::WriteString(const RegPath& path, const std::wstring& data) {
  return SetValue(path, REG_SZ, data.c_str(), (data.size() + 1) * sizeof(wchar_t));
}

Result<std::vector<std::wstring>> Win32Registry::ReadMultiString(const RegPath& path) {
  auto raw = QueryTyped(path, REG_MULTI_SZ, REG_MULTI_SZ);
  if (!raw) return raw.error();
  const std::wstring text = TextOf(raw->bytes);
  std::vector<std::wstring> strings;
  // Strings end at each terminator; an empty one ends the list.
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(L'\0', start);
    if (end == std::wstring::npos) end = text.size();
    if (end == start) break;
    strings.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

Status Win32Registry::WriteMultiString(const RegPath& path, const std::vector<std::wstring>& data) {
  std::wstring block;
  for (const std::wstring& s : data) {
    block += s;
    block += L'\0';
  }
  block += L'\0';
  return SetValue(path, REG_MULTI_SZ, block.data(), block.size() * sizeof(wchar_t));
}

Status Win32Registry::DeleteValue(const RegPath& path) {
  auto key = OpenKey(path.hive, path.key, KEY_SET_VALUE);
  if (!key) return key.error();
  const LSTATUS rc = ::RegDeleteValueW(key->Get(), path.value.c_str());
  if (rc != ERROR_SUCCESS) {
    return FromWin32(static_cast<DWORD>(rc), L"RegDeleteValueW " + path.value);
  }
  return {};
}

Status Win32Registry::DeleteTree(Hive hive, const std::wstring& key) {
  // A hive itself cannot be deleted; refusing here keeps a bad path from emptying it.
  if (key.find_first_not_of(L'\\') == std::wstring::npos) {
    return Fail(ErrorCode::kInvalidArgument, L"DeleteTree of a hive", ERROR_INVALID_PARAMETER);
  }
  // Step 1: empty the key through a handle on the 64-bit view (RegDeleteTreeW has no
  // view flag of its own).
  auto handle =
      OpenKey(hive, key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!handle) return handle.error();
  LSTATUS rc = ::RegDeleteTreeW(handle->Get(), nullptr);
  if (rc != ERROR_SUCCESS) return FromWin32(static_cast<DWORD>(rc), L"RegDeleteTreeW " + key);
  handle.value().Reset();
  // Step 2: the key itself, now without subkeys.
  rc = ::RegDeleteKeyExW(RootOf(hive), key.c_str(), KEY_WOW64_64KEY, 0);
  if (rc != ERROR_SUCCESS) return FromWin32(static_cast<DWORD>(rc), L"RegDeleteKeyExW " + key);
  return {};
}

bool Win32Registry::KeyExists(Hive hive, const std::wstring& key) {
  auto handle = OpenKey(hive, key, KEY_QUERY_VALUE);
  // A key we may not read still exists.
  return handle.ok() || handle.error().code == ErrorCode::kAccessDenied;
}

Result<std::vector<std::wstring>> Win32Registry::ListSubkeys(Hive hive, const std::wstring& key) {
  auto handle = OpenKey(hive, key, KEY_ENUMERATE_SUB_KEYS);
  if (!handle) return handle.error();
  std::vector<std::wstring> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // key names are at most 255 characters
    DWORD length = 256;
    const LSTATUS rc =
        ::RegEnumKeyExW(handle->Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return FromWin32(static_cast<DWORD>(rc), L"RegEnumKeyExW " + key);
    names.emplace_back(name, length);
  }
  return names;
}

Result<std::uint64_t> Win32Registry::ReadQword(const RegPath& path) {
  auto raw = QueryTyped(path, REG_QWORD, REG_BINARY);
  if (!raw) return raw.error();
  if (raw->bytes.size() != sizeof(std::uint64_t)) {
    return Fail(ErrorCode::kWrongType, path.value, kUnsupportedType);
  }
  std::uint64_t data = 0;
  std::memcpy(&data, raw->bytes.data(), sizeof(data));
  return data;
}

}  // namespace platform
