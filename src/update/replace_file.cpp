#include "update/replace_file.h"

#include "app/output.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/system.h"

namespace update {
namespace {

constexpr int kDeleteTries = 21;  // 20 waits of 50 ms: a little over a second
constexpr std::uint32_t kDeleteWaitMs = 50;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kAccessDenied = 5;

std::wstring OldPath(const std::wstring& path) { return path + L".old"; }

// Another program still has the file open, or it is an image that is still running.
bool IsHeldElsewhere(const support::PortError& error) {
  return error.code == support::ErrorCode::kAccessDenied ||
         error.win32_error == kSharingViolation || error.win32_error == kAccessDenied;
}

}  // namespace

std::wstring ReplaceFileKeepingOld(const std::wstring& target, const std::wstring& source) {
  auto& files = platform::Sys().files;
  const std::wstring old = OldPath(target);
  if (files.Exists(old)) (void)files.Delete(old);
  const bool moved = files.Exists(target);
  if (moved) {
    const support::Status aside = files.MoveReplace(target, old);
    if (!aside.ok()) {
      return Format(L"Could not move the current executable aside (error %lu).",
                    static_cast<unsigned long>(aside.error().win32_error));
    }
  }
  const support::Status copied = files.Copy(source, target, true);
  if (copied.ok()) return L"";
  std::wstring error = Format(L"Could not replace %ls (error %lu).", target.c_str(),
                              static_cast<unsigned long>(copied.error().win32_error));
  if (moved) {
    const std::wstring restored = RestoreOld(target);
    if (!restored.empty()) error += L" " + restored;
  }
  return error;
}

std::wstring RestoreOld(const std::wstring& target) {
  const support::Status back = platform::Sys().files.MoveReplace(OldPath(target), target);
  if (back.ok()) return L"";
  return Format(L"The previous copy could not be put back (error %lu); it is kept as %ls.",
                static_cast<unsigned long>(back.error().win32_error), OldPath(target).c_str());
}

LeftoverOutcome DeleteLeftover(const std::wstring& path) {
  auto& sys = platform::Sys();
  const std::wstring old = OldPath(path);
  if (!sys.files.Exists(old)) return LeftoverOutcome::kNone;
  for (int attempt = 1;; ++attempt) {
    const support::Status deleted = sys.files.Delete(old);
    if (deleted.ok()) return LeftoverOutcome::kDeleted;
    if (!IsHeldElsewhere(deleted.error()) || attempt == kDeleteTries) break;
    sys.clock.Sleep(kDeleteWaitMs);
  }
  return sys.files.DeleteAtReboot(old).ok() ? LeftoverOutcome::kAtReboot : LeftoverOutcome::kKept;
}

}  // namespace update
