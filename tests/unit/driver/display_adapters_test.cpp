// Adapter discovery: vendor by PCI id first, discrete or integrated, ids parsed in any
// case, and the subsystem completed from the PCI enumeration.
#include "driver/display_adapters.h"

#include <gtest/gtest.h>

#include "unit/driver/driver_fixture.h"

namespace {

TEST(AdapterVendorTest, IdDecidesThenWholeWords) {
  struct Case {
    const char* name;
    const wchar_t* desc;
    const wchar_t* provider;
    const wchar_t* vendor_id;
    std::uint32_t vendor;
    bool discrete;
  };
  const Case kCases[] = {
      {"GeForce by id", L"NVIDIA GeForce RTX 4070", L"NVIDIA", L"10DE", kDriverNvidia, true},
      {"Quadro by name", L"Quadro P2000", L"", L"", kDriverNvidia, true},
      {"NVIDIA without a card word", L"NVIDIA T500", L"NVIDIA", L"10DE", kDriverNvidia, false},
      {"Radeon RX", L"AMD Radeon RX 7600", L"Advanced Micro Devices, Inc.", L"1002", kDriverAmd,
       true},
      {"APU", L"AMD Radeon(TM) Graphics", L"Advanced Micro Devices, Inc.", L"1002", kDriverAmd,
       false},
      {"Ryzen graphics", L"AMD Ryzen 7 RX Vega", L"", L"1002", kDriverAmd, false},
      {"Radeon Pro", L"Radeon Pro W6800", L"", L"", kDriverAmd, true},
      {"ATI as a word", L"Display", L"ATI Technologies Inc.", L"", kDriverAmd, false},
      {"ATI inside Corporation", L"Intel(R) Iris(R) Xe Graphics", L"Intel Corporation", L"",
       kDriverIntel, false},
      {"Intel id beats a Radeon name", L"Radeon look-alike", L"", L"8086", kDriverIntel, false},
      {"NVIDIA id beats an AMD name", L"AMD-branded board", L"", L"10DE", kDriverNvidia, false},
      {"other vendor id", L"Virtual Radeon", L"VMware", L"15AD", kDriverNone, false},
      {"unknown name", L"Parallels Display Adapter", L"Parallels", L"", kDriverNone, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::uint32_t vendor = AdapterVendor(c.desc, c.provider, c.vendor_id);
    EXPECT_EQ(vendor, c.vendor);
    EXPECT_EQ(IsDiscreteAdapter(vendor, c.desc), c.discrete);
  }
}

class DisplayAdaptersTest : public DriverTest {};

TEST_F(DisplayAdaptersTest, ListsServedVendorsWithTheirIds) {
  SeedAdapter(0, L"Microsoft Basic Display Adapter", L"Microsoft", L"pci\\ven_1414&dev_008c");
  SeedAdapter(1, L"Intel(R) UHD Graphics 770", L"Intel Corporation", L"PCI\\VEN_8086&DEV_4680");
  SeedAdapter(2, L"NVIDIA GeForce RTX 4070", L"NVIDIA", L"pci\\ven_10de&dev_2786&subsys_16f110de",
              L"32.0.15.6094");
  SeedAdapter(3, L"Matrox G200eR", L"Matrox", L"pci\\ven_102b&dev_0534");
  machine_.registry.SeedQword({platform::Hive::kLocalMachine, std::wstring(kClass) + L"\\0002",
                               L"HardwareInformation.qwMemorySize"},
                              12884901888ull);
  const auto adapters = ListDisplayAdapters();
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(adapters[0].vendor, kDriverIntel);
  EXPECT_FALSE(adapters[0].discrete);
  const DisplayAdapter& card = adapters[1];
  EXPECT_EQ(card.name, L"NVIDIA GeForce RTX 4070");
  EXPECT_EQ(card.driverVersion, L"32.0.15.6094");
  EXPECT_EQ(card.vendorId, L"10DE");
  EXPECT_EQ(card.deviceId, L"2786");
  EXPECT_EQ(card.subsysDeviceId, L"16F1");
  EXPECT_EQ(card.subsysVendorId, L"10DE");
  EXPECT_TRUE(card.discrete);
  EXPECT_EQ(card.memoryBytes, 12884901888ull);
}

TEST_F(DisplayAdaptersTest, SubsystemCompletedFromThePciInstanceOfTheDriver) {
  SeedAdapter(0, L"NVIDIA GeForce RTX 4070", L"NVIDIA", L"pci\\ven_10de&dev_2786");
  const std::wstring pci = L"SYSTEM\\CurrentControlSet\\Enum\\PCI\\";
  auto& r = machine_.registry;
  // A first match without the driver, one with a malformed subsystem, then the card.
  r.Seed({platform::Hive::kLocalMachine, pci + L"VEN_10DE&DEV_2786&SUBSYS_11111111&REV_A1\\4&1",
          L"Service"},
         std::wstring(L"other"));
  r.Seed({platform::Hive::kLocalMachine, pci + L"VEN_10DE&DEV_2786&SUBSYS_XYZ&REV_A1\\4&2",
          L"Service"},
         std::wstring(L"nvlddmkm"));
  r.Seed({platform::Hive::kLocalMachine, pci + L"ven_10de&dev_2786&subsys_16f110de&rev_a1\\4&3",
          L"Service"},
         std::wstring(L"nvlddmkm"));
  const auto adapters = ListDisplayAdapters();
  ASSERT_EQ(adapters.size(), 1u);
  EXPECT_EQ(adapters[0].subsysDeviceId, L"16F1");
  EXPECT_EQ(adapters[0].subsysVendorId, L"10DE");
  // Without a driver instance the first well-formed match serves.
  (void)r.DeleteTree(platform::Hive::kLocalMachine,
                     pci + L"ven_10de&dev_2786&subsys_16f110de&rev_a1");
  EXPECT_EQ(ListDisplayAdapters()[0].subsysDeviceId, L"1111");
}

}  // namespace
