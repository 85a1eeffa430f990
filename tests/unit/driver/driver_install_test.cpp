// The trimmed install: exact tool command lines, exit codes, the vendor signature, fresh
// unpack folders that links cannot escape, and the .inf walk of the AMD package.
#include "driver/driver_install.h"

#include <gtest/gtest.h>

#include "driver/inf_search.h"
#include "driver/vendor_signature.h"
#include "unit/driver/driver_fixture.h"

namespace {

using platform::sim_archive::Pack;

constexpr wchar_t kPackage[] = L"C:\\ProgramData\\Veltrane\\drivers\\pkg.exe";
// Where an earlier build unpacked, reused from run to run.
constexpr wchar_t kOldNvidiaUnpack[] = L"C:\\ProgramData\\Veltrane\\drivers\\nvidia-unpack";

class DriverInstallTest : public DriverTest {
 protected:
  void SetUp() override {
    tools_.InstallSevenZip();
    tools_.RegisterNvidiaSetup();
    tools_.RegisterPnputil();
  }
  gui::GpuDriverOffer Offer(std::uint32_t vendor, const std::string& bytes,
                            const std::wstring& signer) {
    machine_.files.Seed(kPackage, bytes);
    if (!signer.empty()) machine_.signature.Sign(bytes, signer, signer);
    gui::GpuDriverOffer offer;
    offer.vendor = vendor;
    offer.localPath = kPackage;
    return offer;
  }
  gui::GpuDriverOffer NvidiaOffer(const std::wstring& signer = L"NVIDIA Corporation") {
    return Offer(kDriverNvidia,
                 Pack({{L"setup.exe", "MZ setup"}, {L"Display.Driver\\nv.inf", "x"}}, true),
                 signer);
  }
  gui::GpuDriverOffer AmdOffer(const std::wstring& signer = L"Advanced Micro Devices, Inc.") {
    const std::string inner = Pack({{L"Display\\inner.inf", "Service = AMDKMDAG"}}, false);
    return Offer(
        kDriverAmd,
        Pack({{L"Packages\\Drivers\\Display\\WT6A_INF\\u0412345.inf", "AddService = amdkmdag"},
              {L"Packages\\Drivers\\Audio\\Display\\audio.inf", "amdkmdag"},
              {L"Packages\\Drivers\\Display\\WT6A_INF\\readme.inf", "no service"},
              {L"Packages\\Bin64\\inner.zip", inner}},
             true),
        signer);
  }
};

TEST_F(DriverInstallTest, NvidiaSetupExitCodes) {
  struct Case {
    const char* name;
    std::uint32_t exit_code;
    std::uint32_t duration_ms;
    int result;
    const wchar_t* text;  // the last feed line, or the message
  };
  const Case kCases[] = {
      {"done", 0, 60000, 0, L"NVIDIA setup finished (0). Restart to finish the driver."},
      {"done, one", 1, 60000, 0, L"NVIDIA setup finished (1). Restart to finish the driver."},
      {"restart needed", 3010, 60000, 0,
       L"NVIDIA setup finished (0x00000BC2). Restart to finish the driver."},
      {"failed", 5, 60000, 1,
       L"NVIDIA setup failed (5). The NVIDIA App was not installed. The setup log is "
       L"C:\\ProgramData\\Veltrane\\drivers\\nvidia-setup.log"},
      {"still running", 0, 1500001, 1,
       L"NVIDIA setup is still running after 25 minutes. It was left running."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    tools_.nvidia_setup_exit = c.exit_code;
    tools_.nvidia_setup_ms = c.duration_ms;
    gui::GpuDriverOffer offer = NvidiaOffer();
    EXPECT_EQ(InstallGpuDriver(&feed_, offer), c.result);
    EXPECT_EQ(c.result == 0 ? feed_.lines.back() : offer.message, c.text);
    // A setup left running keeps its files; otherwise the unpack folder goes.
    EXPECT_EQ(RunFolders(L"nvidia"), c.duration_ms > 1500000 ? 1u : 0u);
  }
  const auto runs = machine_.processes.runs();
  const auto& unpack = runs[runs.size() - 2];
  const std::wstring folder = RunFolderIn(unpack.command_line, L"nvidia");
  ASSERT_NE(folder, L"");
  EXPECT_EQ(unpack.command_line, L"\"C:\\Program Files\\7-Zip\\7z.exe\" x -y -o\"" + folder +
                                     L"\" \"C:\\ProgramData\\Veltrane\\drivers\\pkg.exe\"");
  EXPECT_EQ(unpack.timeout_ms, 1200000u);
  EXPECT_TRUE(unpack.no_window);
  const auto& setup = runs.back();
  EXPECT_EQ(setup.command_line,
            L"\"" + folder +
                L"\\setup.exe\" -s -n Display.Driver Display.PhysX "
                L"-log:\"C:\\ProgramData\\Veltrane\\drivers\\nvidia-setup.log\" -loglevel:6");
  EXPECT_EQ(setup.work_dir, folder);
  EXPECT_EQ(setup.timeout_ms, 1500000u);
  EXPECT_FALSE(setup.no_window);
  EXPECT_TRUE(setup.left_running);
}

TEST_F(DriverInstallTest, OnlyTheVendorsSignatureOpensThePackage) {
  struct Case {
    const char* name;
    std::uint32_t vendor;
    const wchar_t* signer;  // empty: unsigned
    bool invalid;
    const wchar_t* message;
  };
  const Case kCases[] = {
      {"unsigned NVIDIA", kDriverNvidia, L"", false,
       L"The NVIDIA package is not signed by NVIDIA, so it was not opened."},
      {"NVIDIA signed by someone else", kDriverNvidia, L"Advanced Micro Devices, Inc.", false,
       L"The NVIDIA package is not signed by NVIDIA, so it was not opened."},
      {"broken signature", kDriverNvidia, L"", true,
       L"The NVIDIA package is not signed by NVIDIA, so it was not opened."},
      {"AMD signed by NVIDIA", kDriverAmd, L"NVIDIA Corporation", false,
       L"The AMD package is not signed by AMD, so it was not opened."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    gui::GpuDriverOffer offer =
        c.vendor == kDriverNvidia ? NvidiaOffer(c.signer) : AmdOffer(c.signer);
    if (c.invalid) machine_.signature.SignInvalid(*machine_.files.ReadAll(kPackage));
    EXPECT_EQ(InstallGpuDriver(&feed_, offer), 1);
    EXPECT_EQ(offer.message, c.message);
  }
  EXPECT_TRUE(machine_.processes.runs().empty());
}

// The subject's O and CN must both name the vendor and the certificate must allow code
// signing: a display name falls back to OU or e-mail, which any applicant may choose.
TEST_F(DriverInstallTest, SubjectAndUsageDecideTheVendor) {
  struct Case {
    const char* name;
    std::uint32_t vendor;
    const wchar_t* organization;
    const wchar_t* common_name;
    bool code_signing;
    bool accepted;
  };
  const Case kCases[] = {
      {"NVIDIA", kDriverNvidia, L"NVIDIA Corporation", L"NVIDIA Corporation", true, true},
      {"AMD with comma", kDriverAmd, L"Advanced Micro Devices, Inc.",
       L"Advanced Micro Devices, Inc.", true, true},
      {"AMD without comma", kDriverAmd, L"Advanced Micro Devices Inc.",
       L"Advanced Micro Devices Inc.", true, true},
      {"CN NVIDIA, O another company", kDriverNvidia, L"Evil Ltd", L"NVIDIA Corporation", true,
       false},
      {"O NVIDIA, no CN", kDriverNvidia, L"NVIDIA Corporation", L"", true, false},
      {"no O, CN NVIDIA", kDriverNvidia, L"", L"NVIDIA Corporation", true, false},
      {"NVIDIA without code signing", kDriverNvidia, L"NVIDIA Corporation", L"NVIDIA Corporation",
       false, false},
      {"AMD names for an NVIDIA package", kDriverNvidia, L"Advanced Micro Devices, Inc.",
       L"Advanced Micro Devices, Inc.", true, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    // Bytes of their own for each row: a signature belongs to the bytes it signs.
    const std::string bytes = std::string("MZ ") + c.name;
    machine_.files.Seed(kPackage, bytes);
    machine_.signature.Sign(bytes, c.organization, c.common_name, c.code_signing);
    const VendorCheck check = HoldVendorSigned(kPackage, c.vendor);
    EXPECT_EQ(check.held != nullptr, c.accepted);
    EXPECT_EQ(check.refused.empty(), c.accepted);
  }
}

// While the check's hold lasts, no program can change, replace or delete the package.
TEST_F(DriverInstallTest, CheckedPackageIsHeldAgainstChange) {
  NvidiaOffer();
  {
    const VendorCheck check = HoldVendorSigned(kPackage, kDriverNvidia);
    ASSERT_NE(check.held, nullptr);
    EXPECT_FALSE(machine_.files.WriteNew(kPackage, "MZ evil").ok());
    EXPECT_FALSE(machine_.files.Delete(kPackage).ok());
    machine_.files.Seed(L"C:\\ProgramData\\Veltrane\\drivers\\other.exe", "MZ evil");
    EXPECT_FALSE(
        machine_.files.MoveReplace(L"C:\\ProgramData\\Veltrane\\drivers\\other.exe", kPackage)
            .ok());
    EXPECT_FALSE(machine_.files.MoveReplace(kPackage, L"C:\\ProgramData\\Veltrane\\x.exe").ok());
  }
  EXPECT_TRUE(machine_.files.Delete(kPackage).ok());
}

// Setup runs from a folder this run made, protected, and held from its check until it has
// run: no program can swap it or put a DLL beside it in between.
TEST_F(DriverInstallTest, SetupRunsHeldFromAFreshProtectedFolder) {
  RegisterProbe(L"setup.exe", 0);
  gui::GpuDriverOffer offer = NvidiaOffer();
  EXPECT_EQ(InstallGpuDriver(&feed_, offer), 0);
  EXPECT_EQ(untouchable_, std::vector<bool>{true});
  EXPECT_EQ(RunFolders(L"nvidia"), 0u);
}

TEST_F(DriverInstallTest, StaleFilesAndLinksInTheUnpackFolder) {
  // An earlier run's setup.exe must not stand in for a package that holds none, and a
  // link planted where earlier builds unpacked is never followed nor used.
  machine_.files.Seed(std::wstring(kOldNvidiaUnpack) + L"\\setup.exe", "MZ stale");
  machine_.files.Seed(L"C:\\Users\\Player\\Documents\\keep.txt", "precious");
  machine_.files.SeedLink(std::wstring(kOldNvidiaUnpack) + L"\\escape",
                          L"C:\\Users\\Player\\Documents");
  const std::string bytes = Pack({{L"readme.txt", "no setup here"}}, true);
  gui::GpuDriverOffer offer = Offer(kDriverNvidia, bytes, L"NVIDIA Corporation");
  EXPECT_EQ(InstallGpuDriver(&feed_, offer), 1);
  EXPECT_EQ(offer.message, L"The NVIDIA package could not be unpacked.");
  EXPECT_TRUE(tools_.calls[L"setup"].empty());
  EXPECT_EQ(machine_.files.ReadAll(L"C:\\Users\\Player\\Documents\\keep.txt").value_or(""),
            "precious");
  EXPECT_EQ(RunFolders(L"nvidia"), 0u);
}

TEST_F(DriverInstallTest, AmdDisplayDriverThroughPnputil) {
  struct Case {
    const char* name;
    std::uint32_t exit_code;
    std::uint32_t duration_ms;
    int result;
    const wchar_t* text;
  };
  const Case kCases[] = {
      {"still running", 0, 600001, 1,
       L"The display-driver install is still running. It was left running."},
      {"installed", 0, 5000, 0,
       L"AMD display driver installed. Restart to finish it. Adrenalin was not installed."},
      {"installed, restart", 3010, 5000, 0,
       L"AMD display driver installed. Restart to finish it. Adrenalin was not installed."},
      {"refused", 5, 5000, 1, L"The AMD display driver did not install (5)."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    tools_.calls.clear();
    tools_.pnputil_exit = c.exit_code;
    tools_.pnputil_ms = c.duration_ms;
    gui::GpuDriverOffer offer = AmdOffer();
    const std::size_t folders = RunFolders(L"amd");
    EXPECT_EQ(InstallGpuDriver(&feed_, offer), c.result);
    EXPECT_EQ(c.result == 0 ? feed_.lines.back() : offer.message, c.text);
    // A pnputil left running keeps the files it reads.
    EXPECT_EQ(RunFolders(L"amd"), folders + (c.duration_ms > 600000 ? 1u : 0u));
  }
  // The outer package into a protected folder of this run, then the inner archive into
  // its own folder there.
  ASSERT_EQ(tools_.calls[L"7z"].size(), 2u);
  const std::wstring folder = RunFolderIn(tools_.calls[L"7z"][1], L"amd");
  ASSERT_NE(folder, L"");
  EXPECT_EQ(tools_.calls[L"7z"][1], L"\"C:\\Program Files\\7-Zip\\7z.exe\" x -y -o\"" + folder +
                                        L"\\inner0\" \"" + folder +
                                        L"\\Packages\\Bin64\\inner.zip\"");
  // Only the display driver's files, the audio folder and the plain readme left out.
  const std::vector<std::wstring> expected = {
      L"\"C:\\Windows\\system32\\pnputil.exe\" /add-driver \"" + folder +
          L"\\inner0\\Display\\inner.inf\" /install",
      L"\"C:\\Windows\\system32\\pnputil.exe\" /add-driver \"" + folder +
          L"\\Packages\\Drivers\\Display\\WT6A_INF\\u0412345.inf\" /install"};
  EXPECT_EQ(tools_.calls[L"pnputil"], expected);
}

TEST_F(DriverInstallTest, InfWalk) {
  const std::wstring root = L"C:\\Unpacked";
  auto put = [&](const std::wstring& path, const std::string& text) {
    machine_.files.Seed(root + L"\\" + path, text);
  };
  const std::string utf16("a\0m\0d\0k\0m\0d\0a\0g\0", 16);
  put(L"A\\eight.inf", "[x]\nAMDKmdag");
  put(L"B\\wide.INF", utf16);
  put(L"C\\none.inf", "nvlddmkm");
  put(L"HDMIAudio\\audio.inf", "amdkmdag");
  put(L"amdlink\\link.inf", "amdkmdag");
  put(L"D\\readme.txt", "amdkmdag");
  put(L"1\\2\\3\\4\\5\\6\\deep.inf", "amdkmdag");
  put(L"1\\2\\3\\4\\5\\6\\7\\deeper.inf", "amdkmdag");
  machine_.files.Seed(L"C:\\Elsewhere\\outside.inf", "amdkmdag");
  machine_.files.SeedLink(root + L"\\E", L"C:\\Elsewhere");
  const std::vector<std::wstring> expected = {root + L"\\1\\2\\3\\4\\5\\6\\deep.inf",
                                              root + L"\\A\\eight.inf", root + L"\\B\\wide.INF"};
  EXPECT_EQ(FindDisplayInfs(root), expected);
  put(L"Packages\\Display\\x.inf", "amdkmdag");
  EXPECT_EQ(FindDisplayInfs(root),
            (std::vector<std::wstring>{root + L"\\Packages\\Display\\x.inf"}));
}

TEST_F(DriverInstallTest, WithoutAPackageOrSevenZip) {
  gui::GpuDriverOffer none;
  none.vendor = kDriverNvidia;
  EXPECT_EQ(InstallGpuDriver(&feed_, none), 1);
  EXPECT_EQ(none.message, L"There is no downloaded package to install.");
  (void)machine_.files.Delete(L"C:\\Program Files\\7-Zip\\7z.exe");
  struct Case {
    const char* name;
    gui::GpuDriverOffer offer;
    const wchar_t* message;
  };
  const Case kCases[] = {
      {"NVIDIA", NvidiaOffer(),
       L"7-Zip could not be installed, so the NVIDIA package cannot be trimmed."},
      {"AMD", AmdOffer(),
       L"7-Zip could not be installed, so the AMD package was not opened. It is saved at "
       L"C:\\ProgramData\\Veltrane\\drivers\\pkg.exe"},
  };
  for (Case c : kCases) {
    SCOPED_TRACE(c.name);
    feed_.lines.clear();
    EXPECT_EQ(InstallGpuDriver(&feed_, c.offer), 1);
    EXPECT_EQ(c.offer.message, c.message);
    // What the user can do about it comes first, in the feed.
    EXPECT_EQ(feed_.lines,
              std::vector<std::wstring>{L"7-Zip is not installed. Install 7-Zip, then try again."});
  }
  EXPECT_TRUE(machine_.network.log().empty());
}

}  // namespace
