// TaskScheduler: a logon task registered from XML text, found, replaced and deleted.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/account.h"
#include "platform/task_scheduler.h"

namespace {

using support::ErrorCode;

constexpr wchar_t kName[] = L"Veltrane Contract Task";

// A disabled task that would run cmd.exe with `arguments`: at the user's logon as that
// user, or at system start as SYSTEM when `user` is empty.
std::wstring TaskText(const std::wstring& user, const std::wstring& arguments) {
  const std::wstring trigger = user.empty() ? L"<BootTrigger><Enabled>true</Enabled></BootTrigger>"
                                            : L"<LogonTrigger><Enabled>true</Enabled><UserId>" +
                                                  user + L"</UserId></LogonTrigger>";
  const std::wstring principal =
      user.empty() ? L"<UserId>S-1-5-18</UserId>"
                   : L"<UserId>" + user + L"</UserId><LogonType>InteractiveToken</LogonType>";
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         L"<Task version=\"1.3\" "
         L"xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         L"  <Triggers>" +
         trigger + L"</Triggers>\r\n  <Principals><Principal>" + principal +
         L"<RunLevel>HighestAvailable</RunLevel></Principal></Principals>\r\n"
         L"  <Settings><Enabled>false</Enabled></Settings>\r\n"
         L"  <Actions><Exec><Command>C:\\Windows\\System32\\cmd.exe</Command><Arguments>" +
         arguments +
         L"</Arguments></Exec></Actions>\r\n"
         L"</Task>\r\n";
}

TEST(TaskSchedulerContract, RegistersFindsReplacesAndDeletes) {
  platform::System& system = contract::ContractSystem();
  platform::TaskScheduler& tasks = system.task_scheduler;
  const auto user = system.account.CurrentUser();
  ASSERT_TRUE(user.ok());
  const auto missing = tasks.Exists(kName);
  if (!missing.ok() && missing.error().code == ErrorCode::kUnsupported) {
    GTEST_SKIP() << "no Task Scheduler service here";
  }
  ASSERT_TRUE(missing.ok());
  EXPECT_FALSE(*missing);
  EXPECT_EQ(tasks.Delete(kName).error().code, ErrorCode::kNotFound);

  const struct {
    const char* label;
    std::wstring user;
    platform::TaskRunAs run_as;
  } kCases[] = {{"the user at logon", *user, platform::TaskRunAs::kLoggedOnUser},
                {"SYSTEM at start", L"", platform::TaskRunAs::kLocalSystem}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ASSERT_TRUE(tasks.RegisterFromXml(kName, TaskText(c.user, L"/c rem one"), c.run_as).ok());
    EXPECT_TRUE(tasks.Exists(kName).value());
    EXPECT_TRUE(tasks.Exists(L"veltrane contract task").value());
    // The same name again replaces the task.
    EXPECT_TRUE(tasks.RegisterFromXml(kName, TaskText(c.user, L"/c rem two"), c.run_as).ok());
    ASSERT_TRUE(tasks.Delete(kName).ok());
    EXPECT_FALSE(tasks.Exists(kName).value());
    EXPECT_EQ(tasks.Delete(kName).error().code, ErrorCode::kNotFound);
  }
}

TEST(TaskSchedulerContract, RejectsADefinitionItCannotRead) {
  platform::TaskScheduler& tasks = contract::ContractSystem().task_scheduler;
  const auto status =
      tasks.RegisterFromXml(kName, L"<Task><Actions>", platform::TaskRunAs::kLoggedOnUser);
  if (status.error().code == ErrorCode::kUnsupported) GTEST_SKIP() << "no Task Scheduler here";
  EXPECT_EQ(status.error().code, ErrorCode::kInvalidArgument);
  EXPECT_FALSE(tasks.Exists(kName).value());
}

}  // namespace
