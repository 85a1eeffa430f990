// Account: the user the program runs as, written the way Task Scheduler takes it.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/account.h"

namespace {

TEST(AccountContract, CurrentUserIsDomainBackslashName) {
  const auto user = contract::ContractSystem().account.CurrentUser();
  ASSERT_TRUE(user.ok()) << user.error().win32_error;
  const std::size_t slash = user->find(L'\\');
  ASSERT_NE(slash, std::wstring::npos);
  EXPECT_GT(slash, 0u);
  EXPECT_LT(slash + 1, user->size());
  EXPECT_EQ(user->find(L'\\', slash + 1), std::wstring::npos);
}

}  // namespace
