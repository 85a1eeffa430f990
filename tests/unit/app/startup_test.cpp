#include "app/startup.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/parse_options.h"
#include "app/usage.h"
#include "sim_fixture.h"

namespace {

class StartupTest : public SimMachineTest {
 protected:
  // The whole process as the entry point runs it after splitting the command line.
  int Start(const Arguments& args) {
    Options options;
    const bool parsed = ParseOptions(args, options);
    return RunProcess(options, parsed, args);
  }
};

std::vector<std::wstring> Lines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  std::wstringstream stream(text);
  for (std::wstring line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST_F(StartupTest, ElevationOutcomesPerRole) {
  struct Case {
    const char* name;
    Arguments args;
    bool accepted;
    int code;
    std::wstring parameters;  // of the one elevation request, empty: none
    std::wstring err;
    std::wstring box;  // message box text, empty: none
    platform::MessageIcon icon;
  };
  const auto kWarning = platform::MessageIcon::kWarning;
  const auto kError = platform::MessageIcon::kError;
  const Case kCases[] = {
      {"console command relaunched",
       {L"--status"},
       true,
       0,
       L"\"--status\" \"--elevated\"",
       L"",
       L"",
       kWarning},
      {"GUI relaunched", {}, true, 0, L"\"--elevated\"", L"", L"", kWarning},
      {"console declined",
       {L"--install"},
       false,
       1,
       L"\"--install\" \"--elevated\"",
       L"Elevation was declined or failed. Veltrane must run as administrator.\n",
       L"",
       kWarning},
      {"GUI declined",
       {L"--fidelity", L"low"},
       false,
       1,
       L"\"--fidelity\" \"low\" \"--elevated\"",
       L"",
       L"Veltrane must run as administrator. Approve the UAC prompt and try again.",
       kWarning},
      {"console copy not elevated",
       {L"--status", L"--elevated"},
       true,
       1,
       L"",
       L"Administrator privileges are required and elevation did not take effect.\n",
       L"",
       kError},
      {"GUI copy not elevated",
       {L"--elevated"},
       true,
       1,
       L"",
       L"",
       L"Veltrane must run as administrator, and elevation did not take effect.",
       kError},
      {"--gui with a command checks elevation",
       {L"--gui", L"--benchmark"},
       false,
       1,
       L"\"--gui\" \"--benchmark\" \"--elevated\"",
       L"",
       L"Veltrane must run as administrator. Approve the UAC prompt and try again.",
       kWarning},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.environment.SetElevated(false);
    machine.shell.SetElevationAccepted(c.accepted);
    Options options;
    ASSERT_TRUE(ParseOptions(c.args, options));
    EXPECT_EQ(RunProcess(options, true, c.args), c.code);
    const auto runs = machine.shell.elevated_runs();
    ASSERT_EQ(runs.size(), c.parameters.empty() ? 0u : 1u);
    if (!runs.empty()) {
      EXPECT_EQ(runs[0].parameters, c.parameters);
    }
    EXPECT_EQ(machine.console.Output(Stream::kErr), c.err);
    const auto boxes = machine.shell.messages();
    ASSERT_EQ(boxes.size(), c.box.empty() ? 0u : 1u);
    if (!boxes.empty()) {
      EXPECT_EQ(boxes[0].caption, L"Veltrane");
      EXPECT_EQ(boxes[0].text, c.box);
      EXPECT_EQ(boxes[0].icon, c.icon);
    }
    // A console is attached only to say why a console command stops.
    EXPECT_EQ(machine.console.calls().attach, c.err.empty() ? 0 : 1);
  }
}

TEST_F(StartupTest, HelpVersionAndSelfTestNeedNoElevation) {
  struct Case {
    const char* name;
    Arguments args;
  };
  const Case kCases[] = {{"help", {L"--help"}},           {"short help", {L"-h"}},
                         {"slash help", {L"/?"}},         {"version", {L"--version"}},
                         {"self-test", {L"--self-test"}}, {"GUI over help", {L"--gui", L"--help"}}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.environment.SetElevated(false);
    Options options;
    ASSERT_TRUE(ParseOptions(c.args, options));
    RunProcess(options, true, c.args);
    EXPECT_TRUE(machine.shell.elevated_runs().empty());
  }
}

TEST_F(StartupTest, GuiOverHelpOpensTheGuiWithoutAConsole) {
  machine_.environment.SetElevated(false);
  Start({L"--gui", L"--help"});
  EXPECT_EQ(machine_.console.calls().attach, 0);
  EXPECT_EQ(Log().find(L"Usage:"), std::wstring::npos);
}

TEST_F(StartupTest, VersionLines) {
  EXPECT_EQ(Start({L"--version"}), 0);
  EXPECT_EQ(Out(), L"Veltrane 2.10.1\nOrvandel\nhttps://orvandel.com/veltrane\n");
  EXPECT_EQ(machine_.console.calls().attach, 1);
}

TEST_F(StartupTest, ParseFailureShowsUsageAndExits1) {
  EXPECT_EQ(Start({L"--samples", L"9"}), 1);
  EXPECT_EQ(machine_.console.calls().attach, 1);
  EXPECT_EQ(Out().rfind(L"\nUsage:\n", 0), 0u);
  // The console was attached after parsing, so the error line reached only the log.
  EXPECT_EQ(Err(), L"");
  EXPECT_NE(Log().find(L"ERROR: --samples requires a whole number >= 10."), std::wstring::npos);
}

TEST_F(StartupTest, ServiceRoleRunsBeforeAnythingElse) {
  machine_.environment.SetElevated(false);
  // Even with a bad argument after it, nothing but the dispatcher runs.
  Start({L"--service", L"--bogus"});
  Start({L"--service"});
  EXPECT_EQ(machine_.console.calls().attach, 0);
  EXPECT_TRUE(machine_.shell.elevated_runs().empty());
  EXPECT_EQ(Out(), L"");
}

TEST_F(StartupTest, UsageScreen) {
  machine_.console.SetStream(Stream::kOut, Kind::kRedirected);
  machine_.environment.SetVariable(L"ProgramData", L"D:\\PD");
  // --help runs unelevated, where the variable still names the folder.
  machine_.environment.SetElevated(false);
  PrintUsage();
  const std::vector<std::wstring> lines = Lines(Out());
  ASSERT_EQ(lines.size(), 1u + 65u + 3u);
  EXPECT_EQ(lines[0], L"");
  EXPECT_EQ(lines[1], L"Usage:");
  EXPECT_EQ(lines[65],
            L"  Veltrane.exe --service               Internal: service entry point (SCM only).");
  EXPECT_EQ(lines[66], L"");
  EXPECT_EQ(lines[67], L"Log: D:\\PD\\Veltrane\\Veltrane.log");
  EXPECT_EQ(lines[68], L"");
  EXPECT_EQ(Out().substr(Out().size() - 2), L"\n\n");
  // Descriptions start in column 40, except the one --apply-afterburner entry.
  for (const std::wstring& line : lines) {
    if (line.rfind(L"  Veltrane.exe --", 0) != 0) continue;
    SCOPED_TRACE(line);
    const bool afterburner = line.find(L"--apply-afterburner") != std::wstring::npos;
    const std::size_t column = afterburner ? 38 : 39;
    EXPECT_NE(line[column], L' ');
    EXPECT_EQ(line[column - 1], L' ');
  }
  EXPECT_EQ(Log(), L"");
}

TEST_F(StartupTest, AttachParentConsole) {
  struct Case {
    const char* name;
    Kind out;
    bool parent;
    bool allocate;
    int attach, allocations, reopen;
    bool titled;
  };
  const Case kCases[] = {
      {"already a console", Kind::kConsole, true, true, 0, 0, 0, false},
      {"parent console", Kind::kAbsent, true, true, 1, 0, 1, false},
      {"new console", Kind::kAbsent, false, true, 1, 1, 1, true},
      {"no console at all", Kind::kAbsent, false, false, 1, 1, 0, false},
      {"redirected output still attaches for input", Kind::kRedirected, true, true, 1, 0, 1, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.console.SetStream(Stream::kOut, c.out);
    machine.console.SetParentConsole(c.parent);
    machine.console.SetAllocateWorks(c.allocate);
    AttachParentConsole();
    const auto calls = machine.console.calls();
    EXPECT_EQ(calls.attach, c.attach);
    EXPECT_EQ(calls.allocate, c.allocations);
    EXPECT_EQ(calls.reopen, c.reopen);
    EXPECT_EQ(calls.titles, c.titled ? std::vector<std::wstring>{L"Veltrane  \u00B7  Orvandel"}
                                     : std::vector<std::wstring>{});
  }
}

TEST_F(StartupTest, RedirectedOutputKeepsReceivingLinesAfterAttaching) {
  machine_.console.SetStream(Stream::kOut, Kind::kRedirected);
  EXPECT_EQ(Start({L"--version"}), 0);
  EXPECT_EQ(Out(), L"Veltrane 2.10.1\nOrvandel\nhttps://orvandel.com/veltrane\n");
}

}  // namespace
