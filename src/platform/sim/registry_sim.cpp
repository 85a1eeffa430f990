#include "platform/sim/registry_sim.h"

#include <algorithm>
#include <utility>

#include "platform/sim/sim_text.h"

namespace platform {
using support::ErrorCode;
using support::Fail;
using support::PortError;
using support::Result;
using support::Status;

namespace {

constexpr std::uint32_t kFileNotFound = 2;  // missing key or value
constexpr std::uint32_t kInvalidParameter = 87;

std::vector<std::wstring> SplitKey(const std::wstring& key) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t c : key + L'\\') {
    if (c != L'\\') {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(std::move(part));
      part.clear();
    }
  }
  return parts;
}

std::size_t IndexOf(Hive hive) { return hive == Hive::kLocalMachine ? 0 : 1; }

PortError NotFound(const std::wstring& what) {
  return Fail(ErrorCode::kNotFound, what, kFileNotFound);
}

}  // namespace

SimRegistry::SimRegistry() = default;
SimRegistry::~SimRegistry() = default;

SimRegistry::Key* SimRegistry::Find(Hive hive, const std::wstring& key) {
  Key* node = &hives_[IndexOf(hive)];
  for (const std::wstring& part : SplitKey(key)) {
    const auto it = node->subkeys.find(sim::FoldCase(part));
    if (it == node->subkeys.end()) return nullptr;
    node = it->second.get();
  }
  return node;
}

SimRegistry::Key& SimRegistry::Create(Hive hive, const std::wstring& key) {
  Key* node = &hives_[IndexOf(hive)];
  for (const std::wstring& part : SplitKey(key)) {
    auto& slot = node->subkeys[sim::FoldCase(part)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = part;
    }
    node = slot.get();
  }
  return *node;
}

const SimRegistry::Value* SimRegistry::FindValue(const RegPath& path) {
  const Key* key = Find(path.hive, path.key);
  if (key == nullptr) return nullptr;
  const auto it = key->values.find(sim::FoldCase(path.value));
  return it == key->values.end() ? nullptr : &it->second;
}

Result<SimRegistry::Value> SimRegistry::ReadTyped(const RegPath& path,
                                                  std::initializer_list<RegType> types) {
  if (auto fault = faults_.Take(RegOp::kRead, path.value)) return *fault;
  const Value* value = FindValue(path);
  if (value == nullptr) return NotFound(path.key + L"\\" + path.value);
  if (std::find(types.begin(), types.end(), value->type) == types.end()) {
    return Fail(ErrorCode::kWrongType, path.value, sim::UsualWin32Error(ErrorCode::kWrongType));
  }
  return *value;
}

Status SimRegistry::Store(const RegPath& path, Value value) {
  if (auto fault = faults_.Take(RegOp::kWrite, path.value)) return *fault;
  Put(path, std::move(value));
  return {};
}

void SimRegistry::Put(const RegPath& path, Value value) {
  Create(path.hive, path.key).values[sim::FoldCase(path.value)] = std::move(value);
}

Result<std::uint32_t> SimRegistry::ReadDword(const RegPath& path) {
  std::lock_guard lock(mutex_);
  auto value = ReadTyped(path, {RegType::kDword});
  if (!value) return value.error();
  return value->dword;
}

Status SimRegistry::WriteDword(const RegPath& path, std::uint32_t data) {
  std::lock_guard lock(mutex_);
  return Store(path, Value{RegType::kDword, data, {}});
}

Result<std::wstring> SimRegistry::ReadString(const RegPath& path) {
  std::lock_guard lock(mutex_);
  auto value = ReadTyped(path, {RegType::kString, RegType::kExpandString});
  if (!value) return value.error();
  return value->strings.front();
}

Status SimRegistry::WriteString(const RegPath& path, const std::wstring& data) {
  std::lock_guard lock(mutex_);
  return Store(path, Value{RegType::kString, 0, {data}});
}

Result<std::vector<std::wstring>> SimRegistry::ReadMultiString(const RegPath& path) {
  std::lock_guard lock(mutex_);
  auto value = ReadTyped(path, {RegType::kMultiString});
  if (!value) return value.error();
  // An empty string ends a REG_MULTI_SZ list: whatever follows it is not read back.
  std::vector<std::wstring> strings = value->strings;
  strings.erase(std::find(strings.begin(), strings.end(), std::wstring()), strings.end());
  return strings;
}

Status SimRegistry::WriteMultiString(const RegPath& path, const std::vector<std::wstring>& data) {
  std::lock_guard lock(mutex_);
  return Store(path, Value{RegType::kMultiString, 0, data});
}

Status SimRegistry::DeleteValue(const RegPath& path) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(RegOp::kDelete, path.value)) return *fault;
  Key* key = Find(path.hive, path.key);
  if (key == nullptr || key->values.erase(sim::FoldCase(path.value)) == 0) {
    return NotFound(path.key + L"\\" + path.value);
  }
  return {};
}

Status SimRegistry::DeleteTree(Hive hive, const std::wstring& key) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(RegOp::kDelete, key)) return *fault;
  std::vector<std::wstring> parts = SplitKey(key);
  // A hive itself cannot be deleted; refusing here keeps a bad path from emptying it.
  if (parts.empty()) return Fail(ErrorCode::kInvalidArgument, key, kInvalidParameter);
  const std::wstring leaf = sim::FoldCase(parts.back());
  parts.pop_back();
  std::wstring parent_path;
  for (const std::wstring& part : parts) parent_path += part + L"\\";
  Key* parent = Find(hive, parent_path);
  if (parent == nullptr || parent->subkeys.erase(leaf) == 0) return NotFound(key);
  return {};
}

bool SimRegistry::KeyExists(Hive hive, const std::wstring& key) {
  std::lock_guard lock(mutex_);
  return Find(hive, key) != nullptr;
}

Result<std::vector<std::wstring>> SimRegistry::ListSubkeys(Hive hive, const std::wstring& key) {
  std::lock_guard lock(mutex_);
  if (auto fault = faults_.Take(RegOp::kList, key)) return *fault;
  const Key* node = Find(hive, key);
  if (node == nullptr) return NotFound(key);
  std::vector<std::wstring> names;
  for (const auto& [folded, subkey] : node->subkeys) names.push_back(subkey->name);
  return names;
}

void SimRegistry::FailNext(RegOp op, ErrorCode code, std::uint32_t win32_error) {
  std::lock_guard lock(mutex_);
  faults_.Add(op, code, win32_error);
}

void SimRegistry::Seed(const RegPath& path, std::uint32_t data) {
  std::lock_guard lock(mutex_);
  Put(path, Value{RegType::kDword, data, {}});
}

void SimRegistry::Seed(const RegPath& path, const std::wstring& data) {
  std::lock_guard lock(mutex_);
  Put(path, Value{RegType::kString, 0, {data}});
}

void SimRegistry::Seed(const RegPath& path, const std::vector<std::wstring>& data) {
  std::lock_guard lock(mutex_);
  Put(path, Value{RegType::kMultiString, 0, data});
}

void SimRegistry::SeedExpandString(const RegPath& path, const std::wstring& data) {
  std::lock_guard lock(mutex_);
  Put(path, Value{RegType::kExpandString, 0, {data}});
}

void SimRegistry::SeedBinary(const RegPath& path) {
  std::lock_guard lock(mutex_);
  Put(path, Value{RegType::kBinary, 0, {}});
}

void SimRegistry::SeedKey(Hive hive, const std::wstring& key) {
  std::lock_guard lock(mutex_);
  Create(hive, key);
}

std::optional<RegType> SimRegistry::TypeOf(const RegPath& path) {
  std::lock_guard lock(mutex_);
  const Value* value = FindValue(path);
  if (value == nullptr) return std::nullopt;
  return value->type;
}

Result<std::uint64_t> SimRegistry::ReadQword(const RegPath& path) {
  std::lock_guard lock(mutex_);
  auto value = ReadTyped(path, {RegType::kQword});
  if (!value) return value.error();
  return value->qword;
}

void SimRegistry::SeedQword(const RegPath& path, std::uint64_t data) {
  std::lock_guard lock(mutex_);
  Value value;
  value.type = RegType::kQword;
  value.qword = data;
  Put(path, std::move(value));
}

}  // namespace platform
