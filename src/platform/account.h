// Account port: who the program runs as.
#pragma once

#include <string>

#include "support/result.h"

namespace platform {

class Account {
 public:
  virtual ~Account() = default;
  // The process token's user as "DOMAIN\\name" (GetTokenInformation(TokenUser), then
  // LookupAccountSidW). kFailed with the error of the call that failed.
  virtual support::Result<std::wstring> CurrentUser() = 0;
};

}  // namespace platform
