// Services: the manager's promises that the sim and Wine's service manager must share.
// Each test creates its own service under a name no product uses, and deletes it.
#include <gtest/gtest.h>

#include <memory>

#include "contract/contract_system.h"
#include "platform/services.h"
#include "support/utf.h"

namespace {

using platform::ServiceRunState;
namespace access = platform::service_access;

constexpr wchar_t kName[] = L"VeltraneContractProbe";

class ServicesContract : public ::testing::Test {
 protected:
  void SetUp() override {
    auto opened = services_.OpenManager(platform::manager_access::kConnect |
                                        platform::manager_access::kCreateService);
    ASSERT_TRUE(opened.ok());
    manager_ = std::move(opened).value();
    Remove();
  }
  void TearDown() override { Remove(); }

  void Remove() {
    if (!manager_) return;
    auto existing = services_.Open(*manager_, kName, access::kAll);
    if (existing) (void)services_.Delete(**existing);
  }

  platform::Services& services_ = contract::ContractSystem().services;
  std::unique_ptr<platform::ServiceManagerHandle> manager_;
  const platform::ServiceConfig config_{L"Veltrane contract probe",
                                        L"\"C:\\Tests\\no such program.exe\" --service",
                                        platform::ServiceStartType::kDemand};
};

TEST_F(ServicesContract, AMissingServiceIsNotFound) {
  auto missing = services_.Open(*manager_, L"VeltraneContractMissing", access::kQueryStatus);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, support::ErrorCode::kNotFound);
  EXPECT_EQ(missing.error().win32_error, platform::service_error::kDoesNotExist);
}

TEST_F(ServicesContract, ACreatedServiceKeepsItsConfigAndIsStopped) {
  auto created = services_.Create(*manager_, kName, config_);
  ASSERT_TRUE(created.ok());
  auto config = services_.QueryConfig(**created);
  ASSERT_TRUE(config.ok());
  EXPECT_EQ(config->binary_path, config_.binary_path);
  EXPECT_EQ(config->display_name, config_.display_name);
  EXPECT_EQ(config->start_type, platform::ServiceStartType::kDemand);
  auto status = services_.QueryStatus(**created);
  ASSERT_TRUE(status.ok());
  EXPECT_EQ(status->state, ServiceRunState::kStopped);
  EXPECT_TRUE(services_.SetDescription(**created, L"probe").ok());
  const auto actions = services_.SetFailureActions(**created, {86400, {5000, 5000, 60000}, true});
  // Wine lacks the non-crash flag's level and says so; Windows and the sim store it.
  EXPECT_TRUE(actions.ok() || actions.error().code == support::ErrorCode::kUnsupported)
      << support::ToUtf8(actions.error().what) << " " << actions.error().win32_error;
  // The token's settings: stored, or refused as unsupported where the manager lacks them.
  for (const support::Status& stored :
       {services_.SetRequiredPrivileges(**created, {L"SeChangeNotifyPrivilege"}),
        services_.SetSidType(**created, platform::ServiceSidType::kUnrestricted)}) {
    EXPECT_TRUE(stored.ok() || stored.error().code == support::ErrorCode::kUnsupported)
        << support::ToUtf8(stored.error().what) << " " << stored.error().win32_error;
  }
}

TEST_F(ServicesContract, ASecondCreateSaysItExists) {
  auto created = services_.Create(*manager_, kName, config_);
  ASSERT_TRUE(created.ok());
  auto again = services_.Create(*manager_, kName, config_);
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().code, support::ErrorCode::kAlreadyExists);
  EXPECT_EQ(again.error().win32_error, platform::service_error::kExists);
}

TEST_F(ServicesContract, ChangeConfigRewritesPathNameAndStartType) {
  auto created = services_.Create(*manager_, kName, config_);
  ASSERT_TRUE(created.ok());
  const platform::ServiceConfig changed{L"Renamed probe", L"\"C:\\Tests\\other.exe\" --service",
                                        platform::ServiceStartType::kAuto};
  ASSERT_TRUE(services_.ChangeConfig(**created, changed).ok());
  auto reopened = services_.Open(*manager_, kName, access::kQueryConfig);
  ASSERT_TRUE(reopened.ok());
  auto config = services_.QueryConfig(**reopened);
  ASSERT_TRUE(config.ok());
  EXPECT_EQ(config->binary_path, changed.binary_path);
  EXPECT_EQ(config->display_name, changed.display_name);
  EXPECT_EQ(config->start_type, platform::ServiceStartType::kAuto);
}

TEST_F(ServicesContract, StoppingAStoppedServiceSaysItIsNotActive) {
  auto created = services_.Create(*manager_, kName, config_);
  ASSERT_TRUE(created.ok());
  auto stop = services_.Control(**created, platform::service_control::kStop);
  ASSERT_FALSE(stop.ok());
  EXPECT_EQ(stop.error().win32_error, platform::service_error::kNotActive);
}

TEST_F(ServicesContract, ADeletedServiceGoesWhenItsLastHandleCloses) {
  {
    auto created = services_.Create(*manager_, kName, config_);
    ASSERT_TRUE(created.ok());
    ASSERT_TRUE(services_.Delete(**created).ok());
    auto twice = services_.Delete(**created);
    ASSERT_FALSE(twice.ok());
    EXPECT_EQ(twice.error().win32_error, platform::service_error::kMarkedForDelete);
  }
  auto gone = services_.Open(*manager_, kName, access::kQueryStatus);
  ASSERT_FALSE(gone.ok());
  EXPECT_EQ(gone.error().code, support::ErrorCode::kNotFound);
}

TEST_F(ServicesContract, TheDispatcherFailsInAProcessTheManagerDidNotStart) {
  auto result = services_.RunDispatcher(kName, [](std::uint32_t, wchar_t**) {});
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().win32_error, platform::service_error::kNoDispatcher);
}

TEST_F(ServicesContract, EventsWaitTillSetAndStaySet) {
  auto event = services_.NewEvent();
  EXPECT_FALSE(event->Wait(0));
  event->Set();
  EXPECT_TRUE(event->Wait(0));
  EXPECT_TRUE(event->Wait(platform::WaitableEvent::kForever));
}

// A start type changes alone: the path and name stay, and the raw number comes back.
TEST_F(ServicesContract, AStartTypeChangesAloneAndReadsBackAsItsNumber) {
  auto created = services_.Create(*manager_, kName, config_);
  ASSERT_TRUE(created.ok());
  for (std::uint32_t start_type : {4u, 2u, 3u}) {
    SCOPED_TRACE(start_type);
    ASSERT_TRUE(services_.ChangeStartType(**created, start_type).ok());
    auto config = services_.QueryConfig(**created);
    ASSERT_TRUE(config.ok());
    EXPECT_EQ(static_cast<std::uint32_t>(config->start_type), start_type);
    EXPECT_EQ(config->binary_path, config_.binary_path);
    EXPECT_EQ(config->display_name, config_.display_name);
  }
}

}  // namespace

namespace {

// Wine accepts failure actions without keeping them and lacks the level that reads them:
// the read either works or says kUnsupported, never anything else.
TEST_F(ServicesContract, FailureActionsCanBeReadAndCleared) {
  auto created = services_.Create(*manager_, kName, config_);
  ASSERT_TRUE(created.ok());
  (void)services_.SetFailureActions(**created, {86400, {5000, 60000}});
  EXPECT_TRUE(services_.ClearFailureActions(**created).ok());
  const auto cleared = services_.QueryFailureActions(**created);
  if (cleared.ok()) {
    EXPECT_TRUE(cleared->restart_delays_ms.empty());
  } else {
    EXPECT_EQ(cleared.error().code, support::ErrorCode::kUnsupported);
  }
}

}  // namespace
