// The records of the GPU Clean step: one display adapter as the registry describes it,
// and the offer the lookup fills and the download and install consume.
#pragma once

#include <cstdint>
#include <string>

enum DriverVendor : std::uint32_t {
  kDriverNone = 0,
  kDriverNvidia = 1,
  kDriverAmd = 2,
  kDriverIntel = 3
};

struct DisplayAdapter {
  std::wstring name;            // DriverDesc
  std::wstring driverVersion;   // DriverVersion, or empty
  std::wstring deviceId;        // four upper-case hex digits, or empty
  std::wstring vendorId;        // four upper-case hex digits, or empty
  std::wstring subsysDeviceId;  // first four of the eight after "SUBSYS_", or empty
  std::wstring subsysVendorId;  // last four of them, or empty
  std::uint32_t vendor = kDriverNone;
  bool discrete = false;
  std::uint64_t memoryBytes = 0;
};

namespace gui {

struct GpuDriverOffer {
  std::uint32_t vendor = kDriverNone;
  bool found = false;
  bool spaceOk = false;
  bool onBattery = false;
  std::wstring adapterName;
  std::wstring currentDriver;
  std::wstring version;
  std::wstring packageName;
  std::wstring downloadUrl;
  std::wstring sha256;  // AMD only: 64 lower-case hex digits
  std::wstring localPath;
  std::wstring description;
  std::wstring detail;
  std::wstring otherAdapter;
  std::wstring message;
  std::uint64_t sizeBytes = 0;
};

}  // namespace gui
