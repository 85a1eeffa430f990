// Result<T> and Status: the return types of every port call that can fail.
// They carry the Windows error code because user-visible messages print it
// ("CopyFile failed (error %lu)."); no exception ever crosses a port.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace support {

enum class ErrorCode {
  kNotFound,       // file, key, value, service or export does not exist
  kWrongType,      // registry value of another type
  kAccessDenied,   // needs administrator rights, or the object is locked
  kAlreadyExists,  // named object or file already there
  kTimeout,        // the wait ran out (a process was terminated)
  kUnsupported,    // the function is missing on this system (Wine, old Windows)
  kInvalidArgument,
  kFailed,         // anything else; see win32_error
  kTooLarge,       // a file above the size its reader accepts
};

struct PortError {
  ErrorCode code = ErrorCode::kFailed;
  std::uint32_t win32_error = 0;  // GetLastError()/LSTATUS at the failing call, 0 if none
  std::wstring what;              // the call or object that failed, for the log
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(PortError error) : error_(std::move(error)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const& { return *value_; }
  const T* operator->() const { return &*value_; }
  T value_or(T fallback) const { return ok() ? *value_ : std::move(fallback); }
  const PortError& error() const { return error_; }

 private:
  std::optional<T> value_;
  PortError error_;
};

class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(PortError error) : failed_(true), error_(std::move(error)) {}  // NOLINT

  bool ok() const { return !failed_; }
  explicit operator bool() const { return ok(); }
  const PortError& error() const { return error_; }

 private:
  bool failed_ = false;
  PortError error_;
};

inline PortError Fail(ErrorCode code, std::wstring what = {}, std::uint32_t win32_error = 0) {
  return PortError{code, win32_error, std::move(what)};
}

}  // namespace support
