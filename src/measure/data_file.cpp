#include "measure/data_file.h"

#include "app/data_folder.h"
#include "app/output.h"
#include "platform/files.h"
#include "platform/system.h"

support::Result<std::string> ReadDataFile(const std::wstring& path) {
  auto bytes = platform::Sys().files.ReadAtMost(path, kDataFileCap);
  if (!bytes && bytes.error().code == support::ErrorCode::kTooLarge) {
    AppendLog(Format(L"%ls is larger than %llu bytes; it is treated as damaged and left alone.",
                     path.c_str(), static_cast<unsigned long long>(kDataFileCap)));
  }
  return bytes;
}

std::wstring ReadyToWrite(const std::wstring& folder) {
  std::wstring refusal = PrepareDataFolder(folder);
  if (!refusal.empty()) PrintError(refusal);
  return refusal;
}

void ReportDataFileFailure(const std::wstring& path, const support::PortError& error) {
  if (error.code == support::ErrorCode::kTooLarge) {
    PrintError(Format(L"%ls is too large to be ours; it was left as it is.", path.c_str()));
    return;
  }
  PrintError(Format(L"Could not update %ls (error %u); it was left as it is.", path.c_str(),
                    error.win32_error));
}
