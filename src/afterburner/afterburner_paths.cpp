#include "afterburner/afterburner_paths.h"

#include "app/data_folder.h"
#include "app/env_value.h"
#include "app/output.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "support/text_match.h"

namespace {

constexpr std::size_t kMaxChosenDir = 200;
constexpr wchar_t kFolderName[] = L"MSI Afterburner";

bool IsFile(const std::wstring& path) {
  auto& files = platform::Sys().files;
  return files.Exists(path) && !files.IsDirectory(path);
}

// The last part of a folder path, after its last backslash or slash.
std::wstring LastPart(const std::wstring& folder) {
  const std::size_t sep = folder.find_last_of(L"\\/");
  return sep == std::wstring::npos ? folder : folder.substr(sep + 1);
}

}  // namespace

std::wstring ProgramFilesX86() {
  return MachineFolder(platform::KnownFolder::kProgramFilesX86, L"ProgramFiles(x86)",
                       L"C:\\Program Files (x86)");
}

std::wstring ChosenAfterburnerDir() {
  const auto value = platform::Sys().registry.ReadString(
      {platform::Hive::kCurrentUser, L"Software\\Veltrane\\Monitor", L"AfterburnerDir"});
  if (!value || value->empty() || value->size() > kMaxChosenDir ||
      value->find(L'"') != std::wstring::npos) {
    return {};
  }
  std::wstring dir = *value;
  while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
  return dir;
}

std::wstring DefaultAfterburnerFolder() { return ProgramFilesX86() + L"\\" + kFolderName; }

std::wstring AfterburnerFolder() {
  const std::wstring fallback = DefaultAfterburnerFolder();
  const std::wstring chosen = ChosenAfterburnerDir();
  if (chosen.empty()) return fallback;
  const std::wstring folder =
      support::LowerCase(LastPart(chosen)) == support::LowerCase(kFolderName)
          ? chosen
          : chosen + L"\\" + kFolderName;
  return UnsafeForElevatedUse(folder).empty() ? folder : fallback;
}

std::wstring UnsafeToRunElevated(const std::wstring& exe) {
  for (const std::wstring& path : {FolderOf(exe), exe}) {
    if (const std::wstring unsafe = UnsafeForElevatedUse(path); !unsafe.empty()) {
      return Format(L"%ls %ls, so it is not run with administrator rights.", path.c_str(),
                    unsafe.c_str());
    }
  }
  return {};
}

std::wstring FindAfterburner() {
  const std::wstring chosen = ChosenAfterburnerDir();
  const std::wstring candidates[] = {
      chosen.empty() ? std::wstring() : chosen + L"\\MSIAfterburner.exe",
      chosen.empty() ? std::wstring() : chosen + L"\\MSI Afterburner\\MSIAfterburner.exe",
  };
  // The user's folder first, when nobody but administrators can replace what is in it.
  for (const std::wstring& path : candidates) {
    if (path.empty() || !IsFile(path)) continue;
    const std::wstring unsafe = UnsafeToRunElevated(path);
    if (unsafe.empty()) return path;
    PrintInfo(unsafe + L" The default folder is used instead.");
  }
  const std::wstring fallback = ProgramFilesX86() + L"\\" + kFolderName + L"\\MSIAfterburner.exe";
  return IsFile(fallback) ? fallback : std::wstring();
}

std::wstring FindRivaTuner() {
  const std::wstring path = ProgramFilesX86() + L"\\RivaTuner Statistics Server\\RTSS.exe";
  return IsFile(path) ? path : std::wstring();
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t sep = path.find_last_of(L'\\');
  return sep == std::wstring::npos ? std::wstring() : path.substr(0, sep);
}

std::wstring ScannerPath(const std::wstring& afterburnerExe) {
  return FolderOf(afterburnerExe) + L"\\Bundle\\OCScanner\\MSIOCScanner_x64.exe";
}

std::wstring ConfigPath(const std::wstring& afterburnerExe) {
  return FolderOf(afterburnerExe) + L"\\MSIAfterburner.cfg";
}
