#include "platform/win32/disk_cache_win32.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>

#include "platform/win32/win32_error.h"

namespace platform {
namespace {

static_assert(sizeof(DISK_CACHE_INFORMATION) == 24, "the port carries the record as 24 bytes");

class Win32DriveHandle final : public DriveHandle {
 public:
  explicit Win32DriveHandle(HANDLE handle) : handle(handle) {}
  ~Win32DriveHandle() override { ::CloseHandle(handle); }
  HANDLE handle;
};

HANDLE Raw(DriveHandle& drive) { return static_cast<Win32DriveHandle&>(drive).handle; }

}  // namespace

support::Result<std::unique_ptr<DriveHandle>> Win32DiskCache::OpenDrive(std::uint32_t number) {
  const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
  HANDLE handle =
      ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return win32::LastError(path);
  return std::unique_ptr<DriveHandle>(new Win32DriveHandle(handle));
}

support::Result<DiskCacheInformation> Win32DiskCache::ReadCacheInformation(DriveHandle& drive) {
  DISK_CACHE_INFORMATION raw{};
  DWORD returned = 0;
  if (!::DeviceIoControl(Raw(drive), IOCTL_DISK_GET_CACHE_INFORMATION, nullptr, 0, &raw,
                         sizeof(raw), &returned, nullptr)) {
    return win32::LastError(L"IOCTL_DISK_GET_CACHE_INFORMATION");
  }
  DiskCacheInformation information;
  information.write_cache_enabled = raw.WriteCacheEnabled != FALSE;
  std::memcpy(information.record.data(), &raw, sizeof(raw));
  return information;
}

support::Status Win32DiskCache::WriteCacheInformation(DriveHandle& drive,
                                                      const DiskCacheInformation& information) {
  DISK_CACHE_INFORMATION raw{};
  std::memcpy(&raw, information.record.data(), sizeof(raw));
  raw.WriteCacheEnabled = information.write_cache_enabled ? TRUE : FALSE;
  DWORD returned = 0;
  if (!::DeviceIoControl(Raw(drive), IOCTL_DISK_SET_CACHE_INFORMATION, &raw, sizeof(raw), nullptr,
                         0, &returned, nullptr)) {
    return win32::LastError(L"IOCTL_DISK_SET_CACHE_INFORMATION");
  }
  return {};
}

}  // namespace platform
