#include "platform/sim/account_sim.h"

namespace platform {

support::Result<std::wstring> SimAccount::CurrentUser() {
  std::lock_guard lock(mutex_);
  if (fail_) return support::Fail(support::ErrorCode::kFailed, L"LookupAccountSidW", 1332);
  return user_;
}

void SimAccount::SetUser(const std::wstring& domain_and_name) {
  std::lock_guard lock(mutex_);
  user_ = domain_and_name;
}

void SimAccount::FailLookup(bool fail) {
  std::lock_guard lock(mutex_);
  fail_ = fail;
}

}  // namespace platform
