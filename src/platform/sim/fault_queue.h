// FaultQueue: the FailNext machinery the sims share. Faults queue per operation; the next
// call of that operation takes the first one and fails with it instead of running.
// Not locked: each sim calls it under its own mutex.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "support/result.h"

namespace platform::sim {

// The GetLastError value Windows most often gives for each error kind.
constexpr std::uint32_t UsualWin32Error(support::ErrorCode code) {
  switch (code) {
    case support::ErrorCode::kNotFound:
      return 2;  // ERROR_FILE_NOT_FOUND
    case support::ErrorCode::kWrongType:
      return 1630;  // ERROR_UNSUPPORTED_TYPE
    case support::ErrorCode::kAccessDenied:
      return 5;  // ERROR_ACCESS_DENIED
    case support::ErrorCode::kAlreadyExists:
      return 183;  // ERROR_ALREADY_EXISTS
    case support::ErrorCode::kTimeout:
      return 258;  // WAIT_TIMEOUT
    case support::ErrorCode::kUnsupported:
      return 120;  // ERROR_CALL_NOT_IMPLEMENTED
    case support::ErrorCode::kInvalidArgument:
      return 87;  // ERROR_INVALID_PARAMETER
    case support::ErrorCode::kTooLarge:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case support::ErrorCode::kFailed:
      break;
  }
  return 31;  // ERROR_GEN_FAILURE
}

template <typename Op>
class FaultQueue {
 public:
  // `win32_error` 0 picks the usual code for `code`.
  void Add(Op op, support::ErrorCode code, std::uint32_t win32_error) {
    faults_.emplace_back(
        op, support::Fail(code, {}, win32_error ? win32_error : UsualWin32Error(code)));
  }

  std::optional<support::PortError> Take(Op op, const std::wstring& what) {
    const auto it = std::find_if(faults_.begin(), faults_.end(),
                                 [op](const auto& fault) { return fault.first == op; });
    if (it == faults_.end()) return std::nullopt;
    support::PortError error = std::move(it->second);
    error.what = what;
    faults_.erase(it);
    return error;
  }

 private:
  std::deque<std::pair<Op, support::PortError>> faults_;
};

}  // namespace platform::sim
