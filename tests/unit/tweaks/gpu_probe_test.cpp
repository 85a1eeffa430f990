// GPU probe: adapter keys, vendor rules and the summary line.
#include "tweaks/gpu_probe.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"

namespace {

constexpr wchar_t kClass[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}";

TEST(GpuVendorTest, MatchesProviderOrDescriptionWithoutRegardToCase) {
  struct Case {
    const char* name;
    AdapterIdentity adapter;
    bool nvidia, amd, intel;
  };
  const Case kCases[] = {
      {"provider NVIDIA", {L"NVIDIA", L"Some Display"}, true, false, false},
      {"GeForce description", {L"", L"geforce rtx 4090"}, true, false, false},
      {"Quadro", {L"", L"Quadro P2000"}, true, false, false},
      {"provider ATI", {L"ATI Technologies Inc.", L"Display"}, false, true, false},
      {"Radeon", {L"", L"Radeon RX 7900"}, false, true, false},
      {"Ryzen Graphics", {L"", L"Ryzen Graphics"}, false, true, false},
      {"Intel UHD", {L"Intel Corporation", L"Intel(R) UHD Graphics 770"}, false, false, true},
      {"ATI only as a word", {L"ATI Technologies Inc.", L"X"}, false, true, false},
      {"Arc", {L"", L"Arc A770"}, false, false, true},
      {"basic display", {L"Microsoft", L"Microsoft Basic Display Adapter"}, false, false, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsNvidiaAdapter(c.adapter), c.nvidia);
    EXPECT_EQ(IsAmdAdapter(c.adapter), c.amd);
    EXPECT_EQ(IsIntelAdapter(c.adapter), c.intel);
  }
}

class GpuProbeTest : public SimMachineTest {
 protected:
  void SeedAdapter(const wchar_t* index, const std::wstring& provider, const std::wstring& desc) {
    const std::wstring key = std::wstring(kClass) + L"\\" + index;
    machine_.registry.Seed({platform::Hive::kLocalMachine, key, L"ProviderName"}, provider);
    machine_.registry.Seed({platform::Hive::kLocalMachine, key, L"DriverDesc"}, desc);
  }
};

TEST_F(GpuProbeTest, NoAdapters) {
  const gui::GpuProbeView view = ProbeGpu();
  EXPECT_EQ(view.name, L"no display adapter found");
  EXPECT_EQ(view.summary, L"no PCI display adapters enumerated  \u00b7  HAGS off");
  EXPECT_TRUE(ListAdapterKeys(kAnyVendor).empty());
}

TEST_F(GpuProbeTest, EveryAdapterJoinedWithVendorsAndHags) {
  SeedAdapter(L"0000", L"Intel Corporation", L"Intel(R) UHD Graphics 770");
  SeedAdapter(L"0003", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
  SeedAdapter(L"0031", L"Advanced Micro Devices, Inc.", L"AMD Radeon RX 7600");
  // A subkey without DriverDesc (the "Configuration" and "Properties" keys) is no adapter.
  machine_.registry.Seed(
      {platform::Hive::kLocalMachine, std::wstring(kClass) + L"\\0001", L"ProviderName"},
      std::wstring(L"NVIDIA"));
  machine_.registry.Seed({platform::Hive::kLocalMachine,
                          L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers", L"HwSchMode"},
                         2u);
  const gui::GpuProbeView view = ProbeGpu();
  EXPECT_EQ(view.name, L"Intel(R) UHD Graphics 770");
  EXPECT_EQ(view.summary,
            L"Intel(R) UHD Graphics 770 + NVIDIA GeForce RTX 4070 + AMD Radeon RX 7600  \u00b7  "
            L"HAGS on  \u00b7  NVIDIA  \u00b7  AMD  \u00b7  Intel");
  EXPECT_TRUE(view.hagsOn);
  EXPECT_EQ(ListAdapterKeys(kVendorNvidia),
            (std::vector<std::wstring>{std::wstring(kClass) + L"\\0003"}));
  EXPECT_EQ(ListAdapterKeys(kVendorAmd),
            (std::vector<std::wstring>{std::wstring(kClass) + L"\\0031"}));
  EXPECT_EQ(ListAdapterKeys(kAnyVendor).size(), 3u);
}

TEST_F(GpuProbeTest, PrintsNameAndSummary) {
  machine_.console.SetAllStreams(Kind::kRedirected);
  PrintGpuProbe(ProbeGpu());
  EXPECT_EQ(Out(),
            L"GPU: no display adapter found\n"
            L"  no PCI display adapters enumerated  \u00b7  HAGS off\n");
}

}  // namespace
