// SimAccount: the simulated user the program runs as.
#pragma once

#include <mutex>
#include <string>

#include "platform/account.h"

namespace platform {

class SimAccount final : public Account {
 public:
  support::Result<std::wstring> CurrentUser() override;

  // Test controls.
  void SetUser(const std::wstring& domain_and_name);
  // The lookup fails (as LookupAccountSidW does for an orphaned SID).
  void FailLookup(bool fail);

 private:
  std::mutex mutex_;
  std::wstring user_ = L"GAMING-PC\\Player";
  bool fail_ = false;
};

}  // namespace platform
