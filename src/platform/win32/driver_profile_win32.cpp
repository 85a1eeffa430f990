#include "platform/win32/driver_profile_win32.h"

#include <cstring>
#include <vector>

#include "platform/win32/dll_export.h"

namespace platform {
namespace {

using support::ErrorCode;

// Interface ids the library hands functions out by.
constexpr unsigned kInitialize = 0x0150E828;
constexpr unsigned kUnload = 0xD22BDD7E;
constexpr unsigned kCreateSession = 0x0694D52E;
constexpr unsigned kDestroySession = 0xDAD9CFF8;
constexpr unsigned kLoadSettings = 0x375DBD6B;
constexpr unsigned kSaveSettings = 0xFCBC7E14;
constexpr unsigned kGetBaseProfile = 0xDA8466A0;
constexpr unsigned kSetSetting = 0x577DD202;
constexpr unsigned kGetSetting = 0x73BF8338;

// The setting record, version 1: 12320 bytes, zero-filled, with the id, the DWORD type and
// the current value at these offsets.
constexpr std::size_t kSettingSize = 12320;
constexpr std::uint32_t kSettingVersion = kSettingSize | (1u << 16);
constexpr std::size_t kIdOffset = 4100;
constexpr std::size_t kTypeOffset = 4104;
constexpr std::size_t kCurrentValueOffset = 8220;
constexpr std::uint32_t kDwordType = 0;
constexpr int kSettingNotFound = -160;  // NVAPI_SETTING_NOT_FOUND

using QueryInterfaceFn = void*(__cdecl*)(unsigned);

std::vector<unsigned char> SettingRecord(std::uint32_t id, std::uint32_t value) {
  std::vector<unsigned char> record(kSettingSize, 0);
  std::memcpy(record.data(), &kSettingVersion, 4);
  std::memcpy(record.data() + kIdOffset, &id, 4);
  std::memcpy(record.data() + kTypeOffset, &kDwordType, 4);
  std::memcpy(record.data() + kCurrentValueOffset, &value, 4);
  return record;
}

support::PortError StatusError(const wchar_t* call, int status) {
  return support::Fail(ErrorCode::kFailed, call, static_cast<std::uint32_t>(status));
}

}  // namespace

Win32DriverProfile::~Win32DriverProfile() { Close(); }

support::Status Win32DriverProfile::Open() {
  Close();
  module_ = ::LoadLibraryExW(L"nvapi64.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module_ == nullptr)
    return support::Fail(ErrorCode::kNotFound, L"nvapi64.dll", ::GetLastError());
  auto query = win32::BindExport<QueryInterfaceFn>(module_, "nvapi_QueryInterface");
  if (query == nullptr) {
    Close();
    return support::Fail(ErrorCode::kUnsupported, L"nvapi_QueryInterface", ERROR_PROC_NOT_FOUND);
  }
  initialize_ = reinterpret_cast<Status0>(query(kInitialize));
  unload_ = reinterpret_cast<Status0>(query(kUnload));
  create_session_ = reinterpret_cast<SessionOut>(query(kCreateSession));
  destroy_session_ = reinterpret_cast<SessionIn>(query(kDestroySession));
  load_settings_ = reinterpret_cast<SessionIn>(query(kLoadSettings));
  save_settings_ = reinterpret_cast<SessionIn>(query(kSaveSettings));
  get_base_profile_ = reinterpret_cast<BaseProfile>(query(kGetBaseProfile));
  set_setting_ = reinterpret_cast<SetFn>(query(kSetSetting));
  get_setting_ = reinterpret_cast<GetFn>(query(kGetSetting));
  if (initialize_ == nullptr || create_session_ == nullptr || load_settings_ == nullptr ||
      get_base_profile_ == nullptr || set_setting_ == nullptr) {
    Close();
    return support::Fail(ErrorCode::kUnsupported, L"nvapi_QueryInterface", ERROR_PROC_NOT_FOUND);
  }
  int status = initialize_();
  if (status == 0) status = create_session_(&session_);
  if (status == 0 && session_ == nullptr) status = -1;
  if (status == 0) status = load_settings_(session_);
  if (status == 0) status = get_base_profile_(session_, &profile_);
  if (status == 0 && profile_ == nullptr) status = -1;
  if (status != 0) {
    Close();
    return StatusError(L"DRS session", status);
  }
  return {};
}

support::Result<std::uint32_t> Win32DriverProfile::GetSetting(std::uint32_t setting_id) {
  if (session_ == nullptr || profile_ == nullptr || get_setting_ == nullptr) {
    return support::Fail(ErrorCode::kFailed, L"NvAPI_DRS_GetSetting");
  }
  std::vector<unsigned char> record = SettingRecord(setting_id, 0);
  const int status = get_setting_(session_, profile_, setting_id, record.data());
  if (status == kSettingNotFound) {
    return support::Fail(ErrorCode::kNotFound, L"NvAPI_DRS_GetSetting",
                         static_cast<std::uint32_t>(status));
  }
  if (status != 0) return StatusError(L"NvAPI_DRS_GetSetting", status);
  std::uint32_t value = 0;
  std::memcpy(&value, record.data() + kCurrentValueOffset, 4);
  return value;
}

support::Status Win32DriverProfile::SetSetting(std::uint32_t setting_id, std::uint32_t value) {
  if (session_ == nullptr || profile_ == nullptr || set_setting_ == nullptr) {
    return support::Fail(ErrorCode::kFailed, L"NvAPI_DRS_SetSetting");
  }
  std::vector<unsigned char> record = SettingRecord(setting_id, value);
  const int status = set_setting_(session_, profile_, record.data());
  if (status != 0) return StatusError(L"NvAPI_DRS_SetSetting", status);
  return {};
}

support::Status Win32DriverProfile::Save() {
  if (session_ == nullptr || save_settings_ == nullptr) {
    return support::Fail(ErrorCode::kFailed, L"NvAPI_DRS_SaveSettings");
  }
  const int status = save_settings_(session_);
  if (status != 0) return StatusError(L"NvAPI_DRS_SaveSettings", status);
  return {};
}

void Win32DriverProfile::Close() {
  if (session_ != nullptr && destroy_session_ != nullptr) destroy_session_(session_);
  if (module_ != nullptr && unload_ != nullptr && initialize_ != nullptr) unload_();
  if (module_ != nullptr) ::FreeLibrary(module_);
  module_ = nullptr;
  session_ = nullptr;
  profile_ = nullptr;
  initialize_ = unload_ = nullptr;
  create_session_ = nullptr;
  destroy_session_ = load_settings_ = save_settings_ = nullptr;
  get_base_profile_ = nullptr;
  set_setting_ = nullptr;
  get_setting_ = nullptr;
}

}  // namespace platform
