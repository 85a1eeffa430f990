#include "update/release_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/files_sim.h"
#include "unit/update/release_image.h"

namespace {

TEST(ReleaseFile, CheckTable) {
  const update::ProductVersion promised{2, 10, 2, 0};
  struct Case {
    const char* name;
    std::string bytes;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {"x64", ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 0}), L""},
      {"header past the first block", ReleaseImage(5000, 0x8664, "PE\0\0", {2, 10, 2, 0}), L""},
      {"32-bit", ReleaseImage(128, 0x014C, "PE\0\0", {2, 10, 2, 0}),
       L"The download is not the 64-bit Veltrane executable."},
      {"ARM64", ReleaseImage(128, 0xAA64, "PE\0\0", {2, 10, 2, 0}),
       L"The download is not the 64-bit Veltrane executable."},
      {"no PE signature", ReleaseImage(128, 0x8664, "PX\0\0", {2, 10, 2, 0}),
       L"The download is not a Windows executable."},
      {"header offset past the end",
       ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 0}).substr(0, 100),
       L"The download is not a Windows executable."},
      {"no MZ", "ZM" + std::string(200, '\0'), L"The download is not a Windows executable."},
      {"shorter than a DOS header", "MZ" + std::string(61, '\0'),
       L"The download is not a Windows executable."},
      {"older version", ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 1, 0}),
       L"The download's version is not the one the update list named."},
      {"newer version", ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 1}),
       L"The download's version is not the one the update list named."},
      {"no version", ReleaseImage(128, 0x8664, "PE\0\0", {2, 10, 2, 0}).substr(0, 134),
       L"The download carries no version."},
  };
  for (const Case& c : kCases) {
    platform::SimFiles files;
    const std::wstring path = L"C:\\Program Files\\Veltrane\\Update\\Veltrane.exe";
    files.Seed(path, c.bytes);
    EXPECT_EQ(update::CheckReleaseFile(files, path, promised), c.error) << c.name;
    // A refused download is gone; an accepted one stays for the replacement.
    EXPECT_EQ(files.Exists(path), std::wstring(c.error).empty()) << c.name;
  }
  platform::SimFiles files;
  EXPECT_EQ(update::CheckReleaseFile(files, L"C:\\missing.exe", {2, 10, 2, 0}),
            L"The download could not be read.");
}

}  // namespace
