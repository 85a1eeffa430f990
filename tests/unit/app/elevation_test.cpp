#include "app/elevation.h"

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace {

// CommandLineToArgvW's rules for the arguments after the program name: 2n backslashes
// before a quote give n, 2n + 1 give n and a quote; "" inside quotes is one quote.
Arguments SplitLikeWindows(const std::wstring& line) {
  Arguments args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  for (;;) {
    while (i < n && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i == n) return args;
    std::wstring arg;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
      if (line[i] == L'\\') {
        std::size_t run = 0;
        while (i < n && line[i] == L'\\') ++run, ++i;
        if (i < n && line[i] == L'"') {
          arg.append(run / 2, L'\\');
          if (run % 2 == 1) arg += line[i++];
        } else {
          arg.append(run, L'\\');
        }
      } else if (line[i] == L'"') {
        if (quoted && i + 1 < n && line[i + 1] == L'"') {
          arg += L'"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += line[i++];
      }
    }
    args.push_back(arg);
  }
}

TEST(ElevationParametersTest, QuotesEachArgumentAndEscapesOnlyQuotes) {
  struct Case {
    const char* name;
    Arguments args;
    std::wstring parameters;
  };
  const Case kCases[] = {
      {"no arguments", {}, L""},
      {"one switch", {L"--status"}, L"\"--status\""},
      {"one space between", {L"--resolution", L"5070"}, L"\"--resolution\" \"5070\""},
      {"blank inside stays inside", {L"a b"}, L"\"a b\""},
      {"empty argument survives", {L""}, L"\"\""},
      {"inner quote", {L"say \"hi\""}, L"\"say \\\"hi\\\"\""},
      {"backslashes are not doubled", {L"C:\\x\\y"}, L"\"C:\\x\\y\""},
      {"a trailing backslash is doubled before the closing quote",
       {L"C:\\dir\\", L"x"},
       L"\"C:\\dir\\\\\" \"x\""},
      {"backslashes before an inner quote are doubled and one more added",
       {L"a\\\"b"},
       L"\"a\\\\\\\"b\""},
      {"two trailing backslashes become four", {L"\\\\"}, L"\"\\\\\\\\\""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ElevationParameters(c.args), c.parameters);
    // And the relaunched copy reads back exactly the list it was given.
    EXPECT_EQ(SplitLikeWindows(c.parameters), c.args);
  }
}

class ElevationTest : public SimMachineTest {
 protected:
  void SetUp() override {
    machine_.console.SetAllStreams(Kind::kConsole);
    machine_.environment.SetElevated(false);
    machine_.environment.SetExecutablePath(L"D:\\Tools\\Veltrane.exe");
  }
};

TEST_F(ElevationTest, RelaunchRunsThisExecutableWithTheFlagAppended) {
  EXPECT_TRUE(RelaunchElevated(WithElevatedFlag({L"--install", L"--yes"})));
  ASSERT_EQ(machine_.shell.elevated_runs().size(), 1u);
  EXPECT_EQ(machine_.shell.elevated_runs()[0].exe_path, L"D:\\Tools\\Veltrane.exe");
  EXPECT_EQ(machine_.shell.elevated_runs()[0].parameters,
            L"\"--install\" \"--yes\" \"--elevated\"");
}

TEST_F(ElevationTest, EnsureElevatedOutcomes) {
  struct Case {
    const char* name;
    bool elevated_now;
    bool relaunched_copy;
    bool accepted;
    int code;
    bool relaunched;
    std::size_t requests;
    std::wstring out, err;
  };
  const std::wstring kRequesting =
      L"Requesting administrator privileges (approve the UAC prompt)...\n";
  const Case kCases[] = {
      {"already elevated", true, false, true, -1, false, 0, L"", L""},
      {"accepted", false, false, true, 0, true, 1, kRequesting, L""},
      {"declined", false, false, false, 1, false, 1, kRequesting,
       L"Elevation was declined or failed. Veltrane must run as administrator.\n"},
      {"relaunched copy still not elevated", false, true, true, 1, false, 0, L"",
       L"Administrator privileges are required and elevation did not take effect.\n"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.console.SetAllStreams(Kind::kConsole);
    machine.environment.SetElevated(c.elevated_now);
    machine.shell.SetElevationAccepted(c.accepted);
    Options options;
    options.elevated = c.relaunched_copy;
    bool relaunched = !c.relaunched;  // must be overwritten
    EXPECT_EQ(EnsureElevated(options, {L"--uninstall"}, relaunched), c.code);
    EXPECT_EQ(relaunched, c.relaunched);
    EXPECT_EQ(machine.shell.elevated_runs().size(), c.requests);
    EXPECT_EQ(machine.console.Output(Stream::kOut), c.out);
    EXPECT_EQ(machine.console.Output(Stream::kErr), c.err);
  }
}

}  // namespace
