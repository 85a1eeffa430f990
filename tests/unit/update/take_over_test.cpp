// The hand-off between copies: which copy opens, what is replaced, where startup points,
// with copies modelled as sim apps that close when asked.
#include "update/take_over.h"

#include <gtest/gtest.h>

#include "unit/app/sim_fixture.h"

namespace {

using platform::FileVersion;
using platform::SimFiles;

constexpr wchar_t kInstalled[] = L"C:\\Program Files\\Veltrane\\Veltrane.exe";
constexpr wchar_t kDownloaded[] = L"C:\\Users\\Player\\Downloads\\Veltrane.exe";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class TakeOverTest : public SimMachineTest {
 protected:
  // A GUI copy: a window that closes its process on "Veltrane.Replace" unless stubborn.
  void RegisterGui(bool stubborn) {
    machine_.processes.RegisterApp(
        L"Veltrane.exe", [this, stubborn](std::uint32_t id, const std::wstring&) {
          platform::SimDesktop::Window window;
          window.process_id = id;
          const auto handle = machine_.desktop.AddWindow(window);
          machine_.desktop.SetHandler(handle, [this, id, stubborn](const auto& message) {
            received_.push_back(message.name);
            if (message.name == L"Veltrane.Replace" && !stubborn) machine_.processes.Exit(id, 0);
          });
        });
  }
  // This copy in the download folder, and the installed copy running in the tray.
  void SeedCopies(FileVersion self, FileVersion installed) {
    machine_.files.Seed(kInstalled, SimFiles::VersionedBytes(installed));
    machine_.files.Seed(kDownloaded, SimFiles::VersionedBytes(self));
    machine_.environment.SetExecutablePath(kDownloaded);
    ASSERT_TRUE(machine_.processes.Start(L"\"" + std::wstring(kInstalled) + L"\"", L"", false));
  }
  void SeedService(const std::wstring& exe) {
    machine_.services.Seed(L"Veltrane", {L"Veltrane", L"\"" + exe + L"\" --service"},
                           platform::ServiceRunState::kRunning);
  }
  std::wstring ServicePath() {
    auto manager = machine_.services.OpenManager(platform::manager_access::kConnect);
    auto service =
        machine_.services.Open(**manager, L"Veltrane", platform::service_access::kQueryConfig);
    return machine_.services.QueryConfig(**service)->binary_path;
  }
  std::vector<std::wstring> received_;
};

TEST_F(TakeOverTest, NewerDownloadReplacesTheOlderInstalledCopy) {
  RegisterGui(false);
  SeedService(kInstalled);
  machine_.registry.WriteString({platform::Hive::kCurrentUser, kRunKey, L"Veltrane"},
                                L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\"");
  SeedCopies({2, 10, 2, 0}, {2, 10, 1, 0});
  EXPECT_FALSE(update::TakeOverFromOtherCopies(L"--tray"));
  ASSERT_FALSE(received_.empty()) << support::ToUtf8(Log());
  EXPECT_EQ(received_.front(), L"Veltrane.Replace");
  EXPECT_EQ(*machine_.files.ReadAll(kInstalled), SimFiles::VersionedBytes({2, 10, 2, 0}));
  EXPECT_EQ(*machine_.files.ReadAll(std::wstring(kInstalled) + L".old"),
            SimFiles::VersionedBytes({2, 10, 1, 0}));
  EXPECT_EQ(ServicePath(), L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service");
  EXPECT_EQ(machine_.processes.started().back(),
            L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --tray");
  const std::wstring log = Log();
  EXPECT_NE(log.find(L"Closed the older Veltrane so this version can take over."),
            std::wstring::npos);
  EXPECT_NE(log.find(L"Installed this Veltrane over the previous copy."), std::wstring::npos);
  EXPECT_NE(log.find(L"Opening the installed Veltrane."), std::wstring::npos);
}

TEST_F(TakeOverTest, DecisionTable) {
  struct Case {
    const char* name;
    FileVersion self;
    FileVersion installed;
    const wchar_t* user_run;  // an executable the user's Run value names, with v9.0
    bool lock_installed;
    bool opens_here;
    const wchar_t* started;  // the last command line started; nullptr for none
    const wchar_t* service_after;
    const wchar_t* log_line;
  };
  const Case kCases[] = {
      {"older copy opens the newer installed one",
       {2, 10, 0, 0},
       {2, 10, 1, 0},
       nullptr,
       false,
       false,
       L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --x",
       L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service",
       L"A newer Veltrane is installed. Opening that copy."},
      // The user's Run value is anyone's to write: it is never started elevated.
      {"newer file in the user's Run value is ignored",
       {2, 10, 1, 0},
       {2, 10, 1, 0},
       L"C:\\Users\\Player\\AppData\\Roaming\\Veltrane.exe",
       false,
       false,
       L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --x",
       L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service",
       L"Installed this Veltrane over the previous copy."},
      {"locked installed copy keeps startup here",
       {2, 10, 2, 0},
       {2, 10, 1, 0},
       nullptr,
       true,
       true,
       nullptr,
       L"\"C:\\Users\\Player\\Downloads\\Veltrane.exe\" --service",
       L"Could not replace the installed copy. Startup will keep using this file. Could not "
       L"move the current executable aside (error 5)."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem scoped(machine.system());
    machine.processes.RegisterApp(L"Veltrane.exe", [](std::uint32_t, const std::wstring&) {});
    machine.files.Seed(kInstalled, SimFiles::VersionedBytes(c.installed));
    machine.files.Seed(kDownloaded, SimFiles::VersionedBytes(c.self));
    machine.environment.SetExecutablePath(kDownloaded);
    machine.services.Seed(L"Veltrane",
                          {L"Veltrane", L"\"" + std::wstring(kInstalled) + L"\" --service"},
                          platform::ServiceRunState::kStopped);
    if (c.user_run != nullptr) {
      machine.files.Seed(c.user_run, SimFiles::VersionedBytes({9, 0, 0, 0}));
      machine.registry.WriteString({platform::Hive::kCurrentUser, kRunKey, L"Veltrane"},
                                   L"\"" + std::wstring(c.user_run) + L"\"");
    }
    if (c.lock_installed)
      machine.files.FailNext(platform::FileOp::kMove, support::ErrorCode::kAccessDenied);
    EXPECT_EQ(update::TakeOverFromOtherCopies(L"--x"), c.opens_here);
    const auto started = machine.processes.started();
    EXPECT_EQ(started.empty() ? L"<none>" : started.back(), c.started ? c.started : L"<none>");
    auto manager = machine.services.OpenManager(platform::manager_access::kConnect);
    auto service =
        machine.services.Open(**manager, L"Veltrane", platform::service_access::kQueryConfig);
    EXPECT_EQ(machine.services.QueryConfig(**service)->binary_path, c.service_after);
    const auto log = machine.files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
    ASSERT_TRUE(log.ok());
    EXPECT_NE(support::FromUtf8(*log).find(c.log_line), std::wstring::npos)
        << support::ToUtf8(support::FromUtf8(*log));
  }
}

TEST_F(TakeOverTest, SameVersionShowsTheFirstAndExits) {
  RegisterGui(false);
  SeedService(kInstalled);
  SeedCopies({2, 10, 1, 0}, {2, 10, 1, 0});
  EXPECT_FALSE(update::TakeOverFromOtherCopies(L""));
  EXPECT_EQ(received_, (std::vector<std::wstring>{L"Veltrane.Show"}));
  EXPECT_FALSE(machine_.files.Exists(std::wstring(kInstalled) + L".old"));
  // The download was not put in place, so the service keeps the installed copy.
  EXPECT_EQ(ServicePath(), L"\"C:\\Program Files\\Veltrane\\Veltrane.exe\" --service");
}

TEST_F(TakeOverTest, StubbornOlderCopyIsEndedOrLeft) {
  RegisterGui(true);
  SeedCopies({2, 10, 2, 0}, {2, 10, 1, 0});
  // Terminated after the two seconds of asking; then this copy installs and opens it.
  EXPECT_FALSE(update::TakeOverFromOtherCopies(L""));
  EXPECT_EQ(*machine_.files.ReadAll(kInstalled), SimFiles::VersionedBytes({2, 10, 2, 0}));
  EXPECT_NE(Log().find(L"Closed the older Veltrane"), std::wstring::npos);
}

}  // namespace
