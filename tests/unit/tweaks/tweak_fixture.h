// A simulated machine with the tool stand-ins, for the tuning step suites.
#pragma once

#include <optional>
#include <string>

#include "app/thread_context.h"
#include "platform/registry.h"
#include "unit/app/sim_fixture.h"

class TweakTest : public SimMachineTest {
 protected:
  TweakTest() {
    machine_.tools.Install();
    machine_.console.SetAllStreams(Kind::kRedirected);
    CurrentThreadContext().dwellEnabled = false;
  }
  std::optional<std::uint32_t> Product(const std::wstring& name) {
    auto value =
        machine_.registry.ReadDword({platform::Hive::kLocalMachine, L"SOFTWARE\\Veltrane", name});
    return value ? std::optional<std::uint32_t>(*value) : std::nullopt;
  }
  std::optional<std::uint32_t> Machine(const std::wstring& key, const std::wstring& name) {
    auto value = machine_.registry.ReadDword({platform::Hive::kLocalMachine, key, name});
    return value ? std::optional<std::uint32_t>(*value) : std::nullopt;
  }
  bool Has(const std::wstring& text) { return (Out() + Err()).find(text) != std::wstring::npos; }
};
