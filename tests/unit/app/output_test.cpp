#include "app/output.h"

#include <gtest/gtest.h>

#include "app/thread_context.h"
#include "recording_feed.h"
#include "sim_fixture.h"

namespace {

class OutputTest : public SimMachineTest {
 protected:
  void SetUp() override { machine_.clock.SetLocalTime({2025, 3, 7, 9, 5, 4}); }
};

TEST_F(OutputTest, FoldersFollowTheirVariablesWithFixedFallbacks) {
  struct Case {
    const char* name;
    const wchar_t* program_data;  // nullptr: unset
    const wchar_t* program_files;
    std::wstring log;
    std::wstring installed_exe;
    // An elevated process takes the machine's known folders, never the variables.
    bool elevated = false;
  };
  const std::wstring long_value = L"D:\\" + std::wstring(256, L'x');  // 259 characters
  const std::wstring too_long = L"D:\\" + std::wstring(257, L'x');    // 260 characters
  const Case kCases[] = {
      {"defaults", L"C:\\ProgramData", L"C:\\Program Files",
       L"C:\\ProgramData\\Veltrane\\Veltrane.log", L"C:\\Program Files\\Veltrane\\Veltrane.exe"},
      {"moved", L"D:\\Data", L"E:\\Apps", L"D:\\Data\\Veltrane\\Veltrane.log",
       L"E:\\Apps\\Veltrane\\Veltrane.exe"},
      {"unset", nullptr, nullptr, L"C:\\ProgramData\\Veltrane\\Veltrane.log",
       L"C:\\Program Files\\Veltrane\\Veltrane.exe"},
      {"empty", L"", L"", L"C:\\ProgramData\\Veltrane\\Veltrane.log",
       L"C:\\Program Files\\Veltrane\\Veltrane.exe"},
      {"259 characters still fit", long_value.c_str(), long_value.c_str(),
       long_value + L"\\Veltrane\\Veltrane.log", long_value + L"\\Veltrane\\Veltrane.exe"},
      {"260 characters do not", too_long.c_str(), too_long.c_str(),
       L"C:\\ProgramData\\Veltrane\\Veltrane.log", L"C:\\Program Files\\Veltrane\\Veltrane.exe"},
      {"elevated: moved variables are not followed", L"D:\\Data", L"E:\\Apps",
       L"C:\\ProgramData\\Veltrane\\Veltrane.log", L"C:\\Program Files\\Veltrane\\Veltrane.exe",
       true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.environment.SetElevated(c.elevated);
    if (c.program_data) {
      machine_.environment.SetVariable(L"ProgramData", c.program_data);
      machine_.environment.SetVariable(L"ProgramFiles", c.program_files);
    } else {
      machine_.environment.UnsetVariable(L"ProgramData");
      machine_.environment.UnsetVariable(L"ProgramFiles");
    }
    EXPECT_EQ(LogPath(), c.log);
    EXPECT_EQ(InstalledExePath(), c.installed_exe);
  }
}

TEST_F(OutputTest, LogLineHasStampTwoSpacesUtf8AndCrLf) {
  AppendLog(L"Service \u00B7 started");
  AppendLog(L"second");
  const auto bytes = machine_.files.ReadAll(L"C:\\ProgramData\\Veltrane\\Veltrane.log");
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(*bytes,
            "2025-03-07 09:05:04  Service \xC2\xB7 started\r\n"
            "2025-03-07 09:05:04  second\r\n");
}

// A line break inside logged text never starts a line of its own, and past 4 MiB the log
// moves to Veltrane.log.1 (replacing the older copy) and begins again.
TEST_F(OutputTest, LogLinesStayOneLineAndTheLogIsBounded) {
  const std::wstring log = L"C:\\ProgramData\\Veltrane\\Veltrane.log";
  AppendLog(L"folder D:\\x\r\n2025-01-01 00:00:00  forged\nline");
  EXPECT_EQ(machine_.files.ReadAll(log).value_or("?"),
            "2025-03-07 09:05:04  folder D:\\x  2025-01-01 00:00:00  forged line\r\n");
  struct Case {
    const char* name;
    std::size_t size;  // of the log before the next line
    bool rotated;
  };
  const Case kCases[] = {
      {"exactly 4 MiB stays", 4u << 20, false},
      {"one byte more moves aside", (4u << 20) + 1, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.files.Seed(log, std::string(c.size, 'a'));
    machine_.files.Seed(log + L".1", "older");
    AppendLog(L"next");
    const std::string next = "2025-03-07 09:05:04  next\r\n";
    EXPECT_EQ(machine_.files.FileSize(log).value_or(0),
              c.rotated ? next.size() : c.size + next.size());
    EXPECT_EQ(machine_.files.FileSize(log + L".1").value_or(0), c.rotated ? c.size : 5u);
  }
}

TEST_F(OutputTest, LogFolderIsCreatedWhenProgramDataIsUnset) {
  machine_.environment.UnsetVariable(L"ProgramData");
  (void)machine_.files.Delete(L"C:\\ProgramData");  // a machine without the folder at all
  AppendLog(L"hello");
  EXPECT_EQ(Log(), L"2025-03-07 09:05:04  hello\r\n");
}

TEST_F(OutputTest, UnwritableLogIsIgnored) {
  machine_.files.FailNext(platform::FileOp::kAppend, support::ErrorCode::kAccessDenied);
  machine_.console.SetAllStreams(Kind::kConsole);
  PrintInfo(L"still printed");
  EXPECT_EQ(Out(), L"still printed\n");
  EXPECT_EQ(Log(), L"");
}

TEST_F(OutputTest, SinksPerStreamKind) {
  struct Case {
    const char* name;
    Kind out, err;
    std::wstring expected_out, expected_err;
  };
  const Case kCases[] = {
      {"GUI process: log and feed only", Kind::kAbsent, Kind::kAbsent, L"", L""},
      {"console", Kind::kConsole, Kind::kConsole, L"info\n", L"bad\n"},
      {"both redirected for a script", Kind::kRedirected, Kind::kRedirected, L"info\n", L"bad\n"},
      {"error falls back on a console output", Kind::kConsole, Kind::kAbsent, L"info\nbad\n", L""},
      {"only output redirected", Kind::kRedirected, Kind::kAbsent, L"info\n", L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.SetStream(Stream::kOut, c.out);
    machine_.console.SetStream(Stream::kErr, c.err);
    machine_.console.ClearOutput();
    RecordingFeed feed;
    ScopedFeed bound(&feed);
    PrintInfo(L"info");
    PrintError(L"bad");
    EXPECT_EQ(Out(), c.expected_out);
    EXPECT_EQ(Err(), c.expected_err);
    EXPECT_EQ(feed.lines, (std::vector<std::wstring>{L"info", L"ERROR: bad"}));
  }
  EXPECT_NE(Log().find(L"  info\r\n"), std::wstring::npos);
  EXPECT_NE(Log().find(L"  ERROR: bad\r\n"), std::wstring::npos);
}

TEST_F(OutputTest, LongMessagesAreCutAt1023EverywhereAlike) {
  machine_.console.SetAllStreams(Kind::kConsole);
  RecordingFeed feed;
  ScopedFeed bound(&feed);
  const std::wstring long_text(1500, L'a');
  const std::wstring cut(1023, L'a');
  struct Case {
    const char* name;
    std::wstring text;
  };
  const Case kCases[] = {
      {"formatted", Format(L"%ls", long_text.c_str())},
      {"passed unformatted", long_text},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.console.ClearOutput();
    feed.lines.clear();
    PrintInfo(c.text);
    EXPECT_EQ(Out(), cut + L"\n");
    ASSERT_EQ(feed.lines.size(), 1u);
    EXPECT_EQ(feed.lines[0], cut);
  }
  EXPECT_NE(Log().find(L"  " + cut + L"\r\n"), std::wstring::npos);
  EXPECT_EQ(Log().find(cut + L"a"), std::wstring::npos);
}

TEST(FormatTest, PortableSpecifiersAndTheCut) {
  struct Case {
    const char* name;
    std::wstring got;
    std::wstring expected;
  };
  const Case kCases[] = {
      {"32-bit and fixed point", Format(L"%u (%.4f ms)", 5070u, 0.507), L"5070 (0.5070 ms)"},
      {"64-bit", Format(L"%llu", 18446744073709551615ull), L"18446744073709551615"},
      {"wide string", Format(L"Unknown argument: %ls (try --help)", L"--x"),
       L"Unknown argument: --x (try --help)"},
      {"exactly 1023 kept", Format(L"%ls", std::wstring(1023, L'b').c_str()),
       std::wstring(1023, L'b')},
      {"1024 cut to 1023", Format(L"%ls", std::wstring(1024, L'b').c_str()),
       std::wstring(1023, L'b')},
      {"far beyond the buffer", Format(L"%ls!", std::wstring(100000, L'c').c_str()),
       std::wstring(1023, L'c')},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.got, c.expected);
  }
}

TEST(FormatDurationTest, RoundsToWholeSeconds) {
  struct Case {
    double seconds;
    const wchar_t* text;
  };
  const Case kCases[] = {{0, L"0:00"},   {0.49, L"0:00"},    {0.5, L"0:01"},   {59.5, L"1:00"},
                         {200, L"3:20"}, {3599.4, L"59:59"}, {3600, L"60:00"}, {-3, L"0:00"}};
  platform::SimMachine machine;
  platform::ScopedSystem guard(machine.system());
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(FormatDuration(c.seconds), c.text);
  }
}

TEST_F(OutputTest, ProgressOnlyOnARealConsole) {
  machine_.console.SetStream(Stream::kOut, Kind::kConsole);
  ShowProgress(L"pass 1/3");
  ShowProgress(std::wstring(100, L'p'));
  ClearProgress();
  EXPECT_EQ(Out(), L"\rpass 1/3" + std::wstring(70, L' ') + L"\r" + std::wstring(78, L'p') + L"\r" +
                       std::wstring(78, L' ') + L"\r");
  EXPECT_EQ(Log(), L"");

  platform::SimMachine redirected;
  platform::ScopedSystem guard(redirected.system());
  redirected.console.SetStream(Stream::kOut, Kind::kRedirected);
  ShowProgress(L"pass 1/3");
  ClearProgress();
  EXPECT_EQ(redirected.console.Output(Stream::kOut), L"");
}

TEST_F(OutputTest, ConfirmAnswers) {
  struct Case {
    const char* name;
    bool assume_yes;
    Kind input;
    const wchar_t* typed;  // nullptr: end of input
    bool default_yes;
    bool answer;
    const wchar_t* prompt;
  };
  const Case kCases[] = {
      {"--yes answers without printing", true, Kind::kConsole, L"n", false, true, L""},
      {"redirected input takes the default yes", false, Kind::kRedirected, L"n", true, true, L""},
      {"redirected input takes the default no", false, Kind::kRedirected, L"y", false, false, L""},
      {"Y is yes", false, Kind::kConsole, L"Y", false, true, L"Go? [y/N] "},
      {"yes is yes", false, Kind::kConsole, L"yes", false, true, L"Go? [y/N] "},
      {"n is no", false, Kind::kConsole, L"n", true, false, L"Go? [Y/n] "},
      {"x is no", false, Kind::kConsole, L"x", true, false, L"Go? [Y/n] "},
      {"1 is no", false, Kind::kConsole, L"1", true, false, L"Go? [Y/n] "},
      {"leading blank is no", false, Kind::kConsole, L" y", true, false, L"Go? [Y/n] "},
      {"bare Enter is the default", false, Kind::kConsole, L"", true, true, L"Go? [Y/n] "},
      {"end of input is the default", false, Kind::kConsole, nullptr, false, false, L"Go? [y/N] "},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    platform::SimMachine machine;
    platform::ScopedSystem guard(machine.system());
    machine.console.SetStream(Stream::kOut, Kind::kConsole);
    machine.console.SetStream(Stream::kIn, c.input);
    if (c.typed) machine.console.AddInputLine(c.typed);
    Options options;
    options.assumeYes = c.assume_yes;
    EXPECT_EQ(Confirm(options, L"Go?", c.default_yes), c.answer);
    EXPECT_EQ(machine.console.Output(Stream::kOut), c.prompt);
    // Only a question that was asked consumes the typed line.
    const bool asked = std::wstring(c.prompt).size() > 0;
    EXPECT_EQ(machine.console.ReadLine(16).has_value(), !asked && c.typed != nullptr);
  }
}

TEST_F(OutputTest, DwellPauseHonoursSwitchAndCancellation) {
  ThreadContext& context = CurrentThreadContext();
  const std::uint64_t start = machine_.clock.TickCount64();

  context.dwellEnabled = false;
  DwellPause(1000);
  EXPECT_EQ(machine_.clock.TickCount64(), start);

  context.dwellEnabled = true;
  DwellPause(0);
  EXPECT_EQ(machine_.clock.TickCount64(), start);

  DwellPause(1000);
  EXPECT_GE(machine_.clock.TickCount64() - start, 1000u);
  EXPECT_LT(machine_.clock.TickCount64() - start, 1040u);
  EXPECT_EQ(machine_.clock.SleptMilliseconds() % 40, 0u);

  RecordingFeed feed;
  feed.cancelled = true;
  ScopedFeed bound(&feed);
  const std::uint64_t before = machine_.clock.TickCount64();
  DwellPause(1000);
  EXPECT_EQ(machine_.clock.TickCount64(), before);
  EXPECT_GE(feed.cancel_polls, 1);
  context.dwellEnabled = false;
}

}  // namespace
