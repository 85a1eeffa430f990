#include "update/release_file.h"

#include <cstdint>
#include <optional>

namespace update {
namespace {

constexpr std::size_t kHeadBytes = 4096;
constexpr std::size_t kPeOffsetField = 60;

std::uint32_t Little(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

std::wstring CheckMachine(platform::Files& files, const std::wstring& path) {
  const support::Result<std::string> head = files.ReadBytes(path, 0, kHeadBytes);
  if (!head) return L"The download could not be read.";
  constexpr wchar_t kNotWindows[] = L"The download is not a Windows executable.";
  if (head->size() < 64 || head->compare(0, 2, "MZ") != 0) return kNotWindows;
  // "PE\0\0" and the two-byte machine field after it, wherever the header was placed.
  const std::uint32_t at = Little(*head, kPeOffsetField, 4);
  std::string signature;
  if (at + 6ull <= head->size()) {
    signature = head->substr(at, 6);
  } else {
    const support::Result<std::string> far = files.ReadBytes(path, at, 6);
    if (!far || far->size() < 6) return kNotWindows;
    signature = *far;
  }
  if (signature.compare(0, 4, std::string("PE\0\0", 4)) != 0) return kNotWindows;
  if (Little(signature, 4, 2) != 0x8664)
    return L"The download is not the 64-bit Veltrane executable.";
  return L"";
}

// "%u.%u.%u.%u", or "%u.%u.%u" when the revision is 0.
std::wstring VersionText(const ProductVersion& version) {
  std::wstring text = std::to_wstring(version[0]) + L"." + std::to_wstring(version[1]) + L"." +
                      std::to_wstring(version[2]);
  if (version[3] != 0) text += L"." + std::to_wstring(version[3]);
  return text;
}

std::wstring CheckVersion(platform::Files& files, const std::wstring& path,
                          const ProductVersion& promised, const std::wstring& promised_text) {
  const support::Result<platform::FileVersion> found = files.ReadFileVersion(path);
  if (!found) {
    return found.error().code == support::ErrorCode::kFailed
               ? L"The download has no version information."
               : L"The download's version could not be read.";
  }
  const ProductVersion version{found->major, found->minor, found->build, found->revision};
  if (version == promised) return L"";
  return L"The download says it is " + VersionText(version) + L", not " + promised_text + L".";
}

}  // namespace

std::wstring CheckReleaseFile(platform::Files& files, const std::wstring& path,
                              const std::wstring& promised_text) {
  const std::optional<ProductVersion> promised = ParseProductVersion(promised_text);
  std::wstring error = CheckMachine(files, path);
  if (error.empty() && !promised) error = L"The update list is incomplete.";
  if (error.empty()) error = CheckVersion(files, path, *promised, promised_text);
  if (!error.empty() && files.Exists(path) && !files.Delete(path).ok()) {
    error += L" It could not be removed: " + path;
  }
  return error;
}

}  // namespace update
