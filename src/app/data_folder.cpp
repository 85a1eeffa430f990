#include "app/data_folder.h"

#include "app/output.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/system.h"

std::wstring PrepareDataFolder(const std::wstring& folder) {
  auto& sys = platform::Sys();
  const bool elevated = sys.environment.IsProcessElevated();
  // Step 1: a missing folder is made only by an elevated process, protected from the
  // start, so it never inherits ProgramData's right for every user to add files.
  auto trust = sys.files.QueryFolderTrust(folder);
  if (!trust && trust.error().code == support::ErrorCode::kNotFound) {
    if (!elevated) {
      return Format(L"The data folder %ls does not exist yet; it is made by an elevated run.",
                    folder.c_str());
    }
    const support::Status made = sys.files.CreateProtectedDirectory(folder);
    if (made) return {};
    if (made.error().code != support::ErrorCode::kAlreadyExists) {
      return Format(L"Could not create the data folder %ls (error %u).", folder.c_str(),
                    made.error().win32_error);
    }
    trust = sys.files.QueryFolderTrust(folder);
  }
  if (!trust) {
    return Format(L"Could not check the data folder %ls (error %u).", folder.c_str(),
                  trust.error().win32_error);
  }
  // Step 2: a user's own process reads and writes with the user's own rights.
  if (!elevated) return {};
  // Step 3: a link would send SYSTEM's writes wherever its maker pointed it.
  if (trust->reparse_point) {
    return Format(L"The data folder %ls is a link to another place and is left alone. Delete "
                  L"it and run Veltrane again.",
                  folder.c_str());
  }
  // Step 4: a folder made by another user keeps that user's rights until it is re-secured.
  if (!trust->trusted_owner) {
    const support::Status fixed = sys.files.ProtectDirectory(folder);
    if (!fixed) {
      return Format(L"The data folder %ls belongs to another user and could not be secured "
                    L"(error %u); it is left alone.",
                    folder.c_str(), fixed.error().win32_error);
    }
  }
  return {};
}
