#include "app/data_folder.h"

#include <atomic>
#include <cstdint>

#include "app/output.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr int kFreshNameTries = 16;

// One level that only administrators may change: made protected when missing, otherwise
// checked and, when it falls short, re-secured. `what` names it in the sentences.
std::wstring PrepareLevel(const std::wstring& folder, const wchar_t* what, bool elevated) {
  auto& files = platform::Sys().files;
  // Step 1: a missing folder is made only by an elevated process, protected from the
  // start, so it never inherits ProgramData's right for every user to add files.
  auto trust = files.QueryFolderTrust(folder);
  if (!trust && trust.error().code == support::ErrorCode::kNotFound) {
    if (!elevated) {
      return Format(L"%ls %ls does not exist yet; it is made by an elevated run.", what,
                    folder.c_str());
    }
    const support::Status made = files.CreateProtectedDirectory(folder);
    if (made) return {};
    if (made.error().code != support::ErrorCode::kAlreadyExists) {
      return Format(L"Could not create %ls %ls (error %u).", what, folder.c_str(),
                    made.error().win32_error);
    }
    trust = files.QueryFolderTrust(folder);
  }
  if (!trust) {
    return Format(L"Could not check %ls %ls (error %u).", what, folder.c_str(),
                  trust.error().win32_error);
  }
  // Step 2: a user's own process reads and writes with the user's own rights.
  if (!elevated) return {};
  // Step 3: a link would send SYSTEM's writes wherever its maker pointed it.
  if (trust->reparse_point) {
    return Format(
        L"%ls %ls is a link to another place and is left alone. Delete it and run "
        L"Veltrane again.",
        what, folder.c_str());
  }
  if (trust->Trusted()) return {};
  // Step 4: another owner, or a list that lets others add or change files (a folder made
  // by an earlier build inherited ProgramData's), keeps their power until it is re-secured
  // together with everything they put inside.
  const wchar_t* why =
      trust->trusted_owner ? L"lets other users change what is in it" : L"belongs to another user";
  std::uint32_t error = 0;
  if (const support::Status fixed = files.ProtectDirectory(folder); !fixed) {
    error = fixed.error().win32_error;
  } else if (const auto after = files.QueryFolderTrust(folder); !after) {
    error = after.error().win32_error;
  } else if (!after->Trusted()) {
    error = 5;  // re-secured, yet still not ours: as good as denied
  }
  if (error != 0) {
    return Format(L"%ls %ls %ls and could not be secured (error %u); it is left alone.", what,
                  folder.c_str(), why, error);
  }
  return {};
}

// 16 hex digits that differ from call to call and from process to process.
std::wstring FreshSuffix(int attempt) {
  static std::atomic<std::uint64_t> calls{0};
  auto& clock = platform::Sys().clock;
  std::uint64_t mixed =
      clock.UtcFileTime() ^ (static_cast<std::uint64_t>(clock.PerformanceCounter()) << 17) ^
      (calls.fetch_add(1) * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(attempt);
  mixed ^= mixed >> 31;
  return Format(L"%016llx", static_cast<unsigned long long>(mixed));
}

}  // namespace

std::wstring PrepareDataFolder(const std::wstring& folder) {
  return PrepareLevel(folder, L"The data folder", platform::Sys().environment.IsProcessElevated());
}

std::wstring PrepareProtectedFolder(const std::wstring& folder) {
  const std::wstring root = DataFolder();
  const bool inside =
      folder.size() > root.size() + 1 && folder[root.size()] == L'\\' &&
      support::LowerCase(folder.substr(0, root.size())) == support::LowerCase(root) &&
      folder.find(L"\\..") == std::wstring::npos && folder.back() != L'\\';
  if (!inside && support::LowerCase(folder) != support::LowerCase(root)) {
    return Format(L"The folder %ls is not inside the data folder %ls; nothing is written there.",
                  folder.c_str(), root.c_str());
  }
  if (!platform::Sys().environment.IsProcessElevated()) {
    return Format(L"The folder %ls is made only by an elevated run.", folder.c_str());
  }
  std::wstring refusal = PrepareDataFolder(root);
  // Each level from the data folder down, so no level of another's making is passed.
  for (std::size_t at = root.size(); refusal.empty() && at != std::wstring::npos;) {
    at = folder.find(L'\\', at + 1);
    refusal = PrepareLevel(folder.substr(0, at), L"The folder", true);
  }
  return refusal;
}

RunFolder CreateFreshFolder(const std::wstring& parent, const std::wstring& prefix, bool protect) {
  auto& files = platform::Sys().files;
  support::Status made;
  for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
    const std::wstring path = parent + L"\\" + prefix + L"-" + FreshSuffix(attempt);
    made = protect ? files.CreateProtectedDirectory(path) : files.CreateDirectory(path);
    if (made) return {path, {}};
    // Only a name someone already holds is worth another try.
    if (made.error().code != support::ErrorCode::kAlreadyExists) break;
  }
  return {{},
          Format(L"Could not create a new folder in %ls (error %u).", parent.c_str(),
                 made.error().win32_error)};
}

RunFolder CreateRunFolder(const std::wstring& prefix) {
  const std::wstring root = DataFolder();
  std::wstring refusal = PrepareProtectedFolder(root);
  if (!refusal.empty()) return {{}, refusal};
  return CreateFreshFolder(root, prefix, true);
}

std::wstring UnsafeForElevatedUse(const std::wstring& path) {
  const auto trust = platform::Sys().files.QueryFolderTrust(path);
  if (!trust) {
    return trust.error().code == support::ErrorCode::kNotFound
               ? std::wstring(L"does not exist")
               : Format(L"could not be checked (error %u)", trust.error().win32_error);
  }
  if (trust->reparse_point) return L"is a link to another place";
  if (!trust->trusted_owner) return L"belongs to another user";
  if (trust->others_may_write) return L"lets other users change it";
  return {};
}
