// Win32Account: the process token's user through LookupAccountSidW.
#pragma once

#include "platform/account.h"

namespace platform {

class Win32Account final : public Account {
 public:
  support::Result<std::wstring> CurrentUser() override;
};

}  // namespace platform
