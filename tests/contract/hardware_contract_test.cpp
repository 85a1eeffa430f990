// Hardware: what the processor says about itself.
#include <gtest/gtest.h>

#include "contract/contract_system.h"
#include "platform/hardware.h"

namespace {

TEST(HardwareContract, BrandIsEitherAbsentOrFortyEightBytes) {
  const std::string raw = contract::ContractSystem().hardware.CpuBrandBytes();
  EXPECT_TRUE(raw.empty() || raw.size() == 48u) << raw.size();
}

TEST(HardwareContract, AtLeastOneLogicalProcessor) {
  EXPECT_GE(contract::ContractSystem().hardware.LogicalProcessorCount(), 1u);
}

TEST(HardwareContract, CpuSetsAreListedOrTheFunctionIsMissing) {
  auto classes = contract::ContractSystem().hardware.CpuSetEfficiencyClasses();
  if (!classes.ok()) {
    EXPECT_EQ(classes.error().code, support::ErrorCode::kUnsupported);
  }
}

}  // namespace
