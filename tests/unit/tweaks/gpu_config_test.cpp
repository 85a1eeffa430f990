// GPU Config: rows by vendor, per-adapter records, the telemetry service, driver-profile
// settings and values that are not ours to change.
#include "tweaks/gpu_config.h"

#include <gtest/gtest.h>

#include "tweak_fixture.h"
#include "tweaks/gpu_catalogue.h"

namespace {

constexpr wchar_t kGames[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Multimedia\\SystemProfile\\Tasks\\Games";
constexpr wchar_t kGraphics[] = L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers";

class GpuConfigTest : public TweakTest {
 protected:
  std::wstring AddAdapter(const wchar_t* index, const wchar_t* provider, const wchar_t* desc) {
    const std::wstring key = std::wstring(kDisplayClassKey) + L"\\" + index;
    machine_.registry.Seed({platform::Hive::kLocalMachine, key, L"DriverDesc"}, std::wstring(desc));
    machine_.registry.Seed({platform::Hive::kLocalMachine, key, L"ProviderName"},
                           std::wstring(provider));
    return key;
  }
  void AddService(const wchar_t* name, platform::ServiceStartType start) {
    machine_.services.Seed(name, {name, L"svc.exe", start}, platform::ServiceRunState::kRunning);
  }
};

TEST_F(GpuConfigTest, RowsFollowTheVendorsPresent) {
  struct Case {
    const char* name;
    bool nvidia, amd;
    std::wstring summary;
  };
  const Case kCases[] = {
      {"Intel only", false, false, L"Applied 6 GPU tweak(s)"},
      // 6 rows for every machine, 5 per-adapter, the service and the opt-out written; the 13
      // profile rows fail without the library.
      {"NVIDIA without its driver library", true, false, L"Applied 13 GPU tweak(s), 13 failed"},
      {"NVIDIA and AMD", true, true, L"Applied 19 GPU tweak(s), 13 failed"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.console.SetAllStreams(Kind::kRedirected);
    const std::wstring classKey = kDisplayClassKey;
    m.registry.Seed({platform::Hive::kLocalMachine, classKey + L"\\0000", L"DriverDesc"},
                    std::wstring(L"Intel(R) UHD Graphics 770"));
    if (c.nvidia) {
      m.registry.Seed({platform::Hive::kLocalMachine, classKey + L"\\0001", L"DriverDesc"},
                      std::wstring(L"NVIDIA GeForce RTX 4070"));
    }
    if (c.amd) {
      m.registry.Seed({platform::Hive::kLocalMachine, classKey + L"\\0002", L"DriverDesc"},
                      std::wstring(L"AMD Radeon RX 7800 XT"));
    }
    EXPECT_TRUE(ApplyGpuConfig());
    const std::wstring out = m.console.Output(Stream::kOut);
    EXPECT_NE(out.find(c.summary + L". Reboot"), std::wstring::npos) << out;
    // Per-adapter values land only in the keys of their own vendor.
    auto ulps =
        m.registry.ReadDword({platform::Hive::kLocalMachine, classKey + L"\\0001", L"EnableUlps"});
    EXPECT_FALSE(ulps.ok());
  }
}

// The record name carries the adapter's position in the list, not its subkey number.
TEST_F(GpuConfigTest, ASecondAdapterIsRecordedUnderItsPosition) {
  AddAdapter(L"0000", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
  const std::wstring second = AddAdapter(L"0003", L"NVIDIA", L"NVIDIA GeForce RTX 4060");
  machine_.registry.Seed({platform::Hive::kLocalMachine, second, L"PowerMizerEnable"}, 1u);
  ASSERT_TRUE(ApplyGpuConfig());
  EXPECT_EQ(Product(L"Gpu_NV_PMIZER_01"), 1u);
  EXPECT_EQ(Product(L"Gpu_NV_PMIZER_01_had"), 1u);
  EXPECT_EQ(Product(L"Gpu_NV_PMIZER_00_had"), 0u);
  EXPECT_EQ(Machine(second, L"PowerMizerEnable"), 0u);
  ASSERT_TRUE(RestoreGpuConfig());
  EXPECT_EQ(Machine(second, L"PowerMizerEnable"), 1u);
  EXPECT_FALSE(Machine(std::wstring(kDisplayClassKey) + L"\\0000", L"PowerMizerEnable"));
}

TEST_F(GpuConfigTest, TheTelemetryServiceRowByWhatTheManagerSays) {
  struct Case {
    const char* name;
    bool present;
    bool refuse;
    std::wstring line;
    std::optional<std::uint32_t> record;
    std::uint32_t afterRestore;
  };
  const Case kCases[] = {
      {"not installed", false, false,
       L"    service not present (already gone, or this driver did not install it).\n",
       std::nullopt, 0},
      {"installed", true, false, L"    written.\n", 2u, 2},
      {"installed but refused", true, true, L"    NvTelemetryContainer could not be disabled.\n",
       2u, 2},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine m;
    platform::ScopedSystem guard(m.system());
    m.tools.Install();
    m.console.SetAllStreams(Kind::kRedirected);
    m.registry.Seed(
        {platform::Hive::kLocalMachine, std::wstring(kDisplayClassKey) + L"\\0000", L"DriverDesc"},
        std::wstring(L"NVIDIA GeForce RTX 4070"));
    if (c.present) {
      m.services.Seed(L"NvTelemetryContainer",
                      {L"NvTelemetryContainer", L"nv.exe", platform::ServiceStartType::kAuto},
                      platform::ServiceRunState::kRunning);
    }
    if (c.refuse)
      m.services.FailNext(platform::ServiceOp::kChangeConfig, support::ErrorCode::kAccessDenied);
    ASSERT_TRUE(ApplyGpuConfig());
    const std::wstring all = m.console.Output(Stream::kOut) + m.console.Output(Stream::kErr);
    const std::size_t row = all.find(L"(NV_TELEMETRY)");
    ASSERT_NE(row, std::wstring::npos);
    EXPECT_NE(all.find(c.line, row), std::wstring::npos) << all.substr(row, 400);
    auto record = m.registry.ReadDword({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane",
                                        L"GpuSvc_NvTelemetryContainer_start"});
    EXPECT_EQ(record ? std::optional<std::uint32_t>(*record) : std::nullopt, c.record);
    ASSERT_TRUE(RestoreGpuConfig());
    if (c.present) {
      EXPECT_EQ(
          static_cast<std::uint32_t>(m.services.Find(L"NvTelemetryContainer")->config.start_type),
          c.afterRestore);
    }
  }
}

TEST_F(GpuConfigTest, DriverProfileSettingsAreRecordedSetAndPutBack) {
  AddAdapter(L"0000", L"NVIDIA", L"NVIDIA GeForce RTX 4070");
  machine_.driver_profile.Install({{0x1057EB71, 0}, {0x00A879CF, 0x60925292}});
  ASSERT_TRUE(ApplyGpuConfig());
  EXPECT_EQ(Product(L"GpuDrs_1057EB71"), 0u);
  EXPECT_EQ(Product(L"GpuDrs_00A879CF"), 0x60925292u);
  EXPECT_EQ(machine_.driver_profile.stored().at(0x00A879CF), 0x08416747u);
  ASSERT_TRUE(RestoreGpuConfig());
  EXPECT_EQ(machine_.driver_profile.stored().at(0x1057EB71), 0u);
  EXPECT_EQ(machine_.driver_profile.stored().at(0x00A879CF), 0x60925292u);
}

TEST_F(GpuConfigTest, AValueOfAnotherTypeIsLeftAloneAndSeededValuesComeBack) {
  machine_.registry.SeedBinary({platform::Hive::kLocalMachine, kGraphics, L"HwSchMode"});
  machine_.registry.Seed({platform::Hive::kLocalMachine, kGames, L"GPU Priority"}, 2u);
  ASSERT_TRUE(ApplyGpuConfig());
  EXPECT_TRUE(
      Has(L"SYSTEM\\CurrentControlSet\\Control\\GraphicsDrivers\\HwSchMode holds a value "
          L"of another type; left unchanged."));
  EXPECT_EQ(Machine(kGames, L"GPU Priority"), 8u);
  EXPECT_EQ(Product(L"GpuApplied"), 1u);
  ASSERT_TRUE(RestoreGpuConfig());
  EXPECT_EQ(machine_.registry.TypeOf({platform::Hive::kLocalMachine, kGraphics, L"HwSchMode"}),
            platform::RegType::kBinary);
  EXPECT_EQ(Machine(kGames, L"GPU Priority"), 2u);
  EXPECT_FALSE(Machine(kGames, L"Priority"));
}

}  // namespace
