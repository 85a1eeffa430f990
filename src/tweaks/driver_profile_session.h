// DriverProfileSession: one apply or restore run's connection to the NVIDIA driver's
// global profile. A machine without the library simply never opens one.
#pragma once

#include <cstdint>

class DriverProfileSession {
 public:
  DriverProfileSession() = default;
  ~DriverProfileSession() { Close(); }
  DriverProfileSession(const DriverProfileSession&) = delete;
  DriverProfileSession& operator=(const DriverProfileSession&) = delete;

  // True when the session and the base profile are ready.
  bool Open();
  bool IsOpen() const { return open_; }
  bool GetSetting(std::uint32_t id, std::uint32_t& value);
  bool SetSetting(std::uint32_t id, std::uint32_t value);
  bool Save();
  void Close();

 private:
  bool open_ = false;
};
