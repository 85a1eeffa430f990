#include "measure/atomic_file.h"

#include <atomic>
#include <cstdio>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

// A file or folder someone planted under one name only costs a try.
constexpr int kNameTries = 8;

std::wstring TemporaryName(const std::wstring& path, int attempt) {
  static std::atomic<unsigned long long> sequence{0};
  const auto stamp = static_cast<unsigned long long>(platform::Sys().clock.PerformanceCounter());
  wchar_t suffix[64];
  std::swprintf(suffix, 64, L".%llx-%d-%llu.tmp", stamp, attempt, ++sequence);
  return path + suffix;
}

}  // namespace

support::Status WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  platform::Files& files = platform::Sys().files;
  // Step 1: all bytes, on disk, under a name made for this write alone.
  std::wstring tmp;
  support::Status written = support::Fail(support::ErrorCode::kAlreadyExists, path);
  for (int attempt = 0; attempt < kNameTries && !written; ++attempt) {
    tmp = TemporaryName(path, attempt);
    written = files.WriteNewFlushed(tmp, bytes);
    if (!written && written.error().code != support::ErrorCode::kAlreadyExists) {
      (void)files.Delete(tmp);
      return written;
    }
  }
  if (!written) return written;
  // Step 2: one replacing, write-through move: a crash leaves the old file or the new.
  const support::Status moved = files.MoveReplace(tmp, path);
  if (!moved) (void)files.Delete(tmp);
  return moved;
}
