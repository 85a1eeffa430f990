// A simulated machine installed for one test, with readers for what the program wrote.
// Shared by the suites of every subsystem that report through the console and the log.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/sim_machine.h"
#include "support/utf.h"

class SimMachineTest : public ::testing::Test {
 protected:
  using Kind = platform::SimConsole::StreamKind;
  using Stream = platform::StdStream;

  std::wstring Out() { return machine_.console.Output(Stream::kOut); }
  std::wstring Err() { return machine_.console.Output(Stream::kErr); }
  // The log as text; empty when it was never written.
  std::wstring Log(const std::wstring& path = L"C:\\ProgramData\\Veltrane\\Veltrane.log") {
    const auto bytes = machine_.files.ReadAll(path);
    return bytes ? support::FromUtf8(*bytes) : std::wstring();
  }

  platform::SimMachine machine_;
  platform::ScopedSystem guard_{machine_.system()};
};
