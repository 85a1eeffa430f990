// The contract suites' foreign objects on the simulated machine: mappings, mutexes and a
// stand-in window owned by a simulated program.
#include <string>
#include <vector>

#include "contract/contract_system.h"
#include "platform/sim/sim_machine.h"

namespace contract {

platform::SimMachine& SimContractMachine();

void CreateForeignMapping(const std::wstring& name, const std::string& bytes, bool admin_owned) {
  SimContractMachine().shared_memory.CreateMapping(name, bytes, admin_owned);
}

void WriteBadlySignedFile(const std::wstring& path) {
  const std::string bytes = "MZ badly signed";
  (void)SimContractMachine().files.WriteNew(path, bytes);
  SimContractMachine().signature.SignInvalid(bytes);
}

void WriteUntrustedSignedFile(const std::wstring& path, bool alteredAfterSigning) {
  const std::string bytes = alteredAfterSigning ? "MZ signed by an untrusted certificate, altered"
                                                : "MZ signed by an untrusted certificate";
  (void)SimContractMachine().files.WriteNew(path, bytes);
  SimContractMachine().signature.SignInvalid(bytes);
}

void CreateForeignMutex(const std::wstring& name, bool held) {
  SimContractMachine().shared_memory.CreateMutex(name);
  SimContractMachine().shared_memory.HoldElsewhere(name, held);
}

std::uint32_t OpenStandInWindow(const std::wstring& title, const std::vector<std::wstring>& items) {
  platform::SimMachine& m = SimContractMachine();
  m.processes.RegisterApp(L"stand-in-window.exe", [](std::uint32_t, const std::wstring&) {});
  const std::uint32_t id = m.processes.Start(L"stand-in-window.exe", L"", false).value();
  platform::SimDesktop::Window top;
  top.process_id = id;
  top.text = title;
  const platform::WindowHandle window = m.desktop.AddWindow(top);
  platform::SimDesktop::Window button;
  button.parent = window;
  button.class_name = L"Button";
  button.control_id = 1001;
  button.text = L"Scan";
  const platform::WindowHandle scan = m.desktop.AddWindow(button);
  platform::SimDesktop::Window combo;
  combo.parent = window;
  combo.class_name = L"ComboBox";
  combo.control_id = 1100;
  combo.items = items;
  m.desktop.AddWindow(combo);
  m.desktop.SetHandler(window, [&m, window, scan](const platform::SimDesktop::Message& msg) {
    if (msg.kind == platform::SimDesktop::MessageKind::kCommand && msg.control_id == 1001) {
      m.desktop.Update(scan, [](platform::SimDesktop::Window& w) { w.text = L"Stop"; });
    }
    if (msg.kind == platform::SimDesktop::MessageKind::kClose) m.desktop.RemoveWindow(window);
  });
  return id;
}

// The sim has no devices: NUL is a redirected stream like any file.
void PointStandardOutputAtNul() {
  SimContractMachine().console.SetStream(platform::StdStream::kOut,
                                         platform::SimConsole::StreamKind::kRedirected);
}

void RestoreStandardOutput() {
  SimContractMachine().console.SetStream(platform::StdStream::kOut,
                                         platform::SimConsole::StreamKind::kAbsent);
}

}  // namespace contract
