#include "driver/held_check.h"

#include "driver/package_record.h"
#include "platform/system.h"

std::unique_ptr<platform::HeldFile> HoldChecked(const std::wstring& path, std::string_view head,
                                                const std::wstring& sha256) {
  auto& files = platform::Sys().files;
  auto held = files.OpenHeld(path);
  if (!held) return nullptr;
  // Read by path while the hold denies every writer: these are the bytes that stay.
  if (!head.empty()) {
    const auto start = files.ReadBytes(path, 0, head.size());
    if (!start || *start != head) return nullptr;
  }
  if (!sha256.empty() && HashFile(path) != sha256) return nullptr;
  return std::move(held.value());
}
