// This test program's own image, the PE file the signature stand-ins sign or spoil.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace contract {

// The image's bytes, padded to 8 bytes as a certificate table must start.
inline std::string ReadOwnImage() {
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const HANDLE in =
      ::CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string image(::GetFileSize(in, nullptr), '\0');
  DWORD got = 0;
  ::ReadFile(in, image.data(), static_cast<DWORD>(image.size()), &got, nullptr);
  ::CloseHandle(in);
  image.resize((image.size() + 7) & ~std::size_t{7});
  return image;
}

// The security entry of a PE32+ optional header's data directories.
inline IMAGE_DATA_DIRECTORY* SecurityEntry(std::string& image) {
  const auto pe = *reinterpret_cast<const LONG*>(image.data() + 0x3C);
  return reinterpret_cast<IMAGE_DATA_DIRECTORY*>(
      image.data() + pe + 24 + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory) +
      IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY));
}

// Writes `bytes` as the whole file at `path`.
inline void WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  const HANDLE out =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  ::CloseHandle(out);
}

}  // namespace contract
