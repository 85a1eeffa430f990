// The contract suites' machine on Linux: one SimMachine with the helper tool registered.
#include <string>
#include <string_view>

#include "contract/contract_system.h"
#include "platform/files.h"
#include "platform/sim/network_sim.h"
#include "platform/sim/sim_machine.h"

namespace contract {
namespace {

constexpr wchar_t kHelperPath[] = L"C:\\Tests\\contract_helper.exe";

constexpr std::wstring_view kTreeWord = L"tree ";

// Arguments: exit code (or "tree": exit code 0, and a child that holds a file while it
// lives; the sim has no process trees, so one kill ends both), sleep in ms, then the
// quoted marker path (possibly empty).
platform::SimProcesses::Outcome RunHelper(platform::SimFiles& files, const std::wstring& line) {
  std::size_t args = line.find(L"\" ") + 2;
  const bool tree = line.compare(args, kTreeWord.size(), kTreeWord) == 0;
  std::uint32_t exit_code = 0;
  std::size_t next = 0;
  if (tree) {
    args += kTreeWord.size();
  } else {
    exit_code = static_cast<std::uint32_t>(std::stoul(line.substr(args), &next));
  }
  const std::wstring rest = line.substr(args + next);
  std::size_t after_sleep = 0;
  const auto sleep_ms = static_cast<std::uint32_t>(std::stoul(rest, &after_sleep));
  const std::size_t open = rest.find(L'"', after_sleep);
  const std::wstring marker = rest.substr(open + 1, rest.rfind(L'"') - open - 1);
  platform::SimProcesses::Outcome outcome{exit_code, sleep_ms, {}, {}};
  outcome.output = "helper says " + std::to_string(exit_code) + "\r\n";
  if (tree) (void)files.WriteNew(marker + L".held", "held");
  if (!marker.empty()) {
    outcome.finish = [&files, marker] { (void)files.WriteNew(marker, "done"); };
  }
  return outcome;
}

platform::SimMachine& Machine() {
  static platform::SimMachine machine;
  static const bool registered = [] {
    // The program's own file exists and is held by its running process.
    machine.files.Seed(machine.environment.ExecutablePath(), "MZ contract program");
    machine.files.SetLock(machine.environment.ExecutablePath(), platform::FileLock::kInUse);
    // A system library with its version resource, as every Windows has.
    machine.files.Seed(machine.environment.SystemDirectory() + L"\\kernel32.dll",
                       platform::SimFiles::VersionedBytes({10, 0, 19041, 1}));
    machine.files.Seed(kHelperPath, "MZ contract helper");
    machine.processes.Register(
        kHelperPath, [](const std::wstring& line) { return RunHelper(machine.files, line); });
    return true;
  }();
  (void)registered;
  return machine;
}

// The loopback server's answers, canned.
void ServeLoopback(platform::SimNetwork& network, const std::wstring& base) {
  using platform::SimHttpResponse;
  network.Serve(base + L"/hello", SimHttpResponse::Ok("hello"));
  SimHttpResponse chunked = SimHttpResponse::Ok("abcdefgh");
  chunked.content_length.reset();
  chunked.piece_size = 3;
  network.Serve(base + L"/chunked", chunked);
  SimHttpResponse missing = SimHttpResponse::Ok("");
  missing.status = 404;
  network.Serve(base + L"/missing", missing);
  network.Serve(base + L"/moved", SimHttpResponse::Redirect(L"/hello", 302));
  SimHttpResponse early = SimHttpResponse::Ok("0123456789");
  early.content_length = 100;
  network.Serve(base + L"/early", early);
  SimHttpResponse gzip = SimHttpResponse::Ok("hello hello hello hello");
  gzip.content_encoding = L"gzip";
  gzip.content_length = 28;
  network.Serve(base + L"/gzip", gzip);
  SimHttpResponse counted;
  counted.status = 201;
  counted.content_length = 0;
  network.Serve(base + L"/count", counted);
}

constexpr std::uint16_t kLoopbackPort = 8080;

}  // namespace

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  Machine().files.SeedLink(link, target);
  return true;
}

std::optional<std::uint16_t> LoopbackHttpPort() {
  static const bool served = [] {
    ServeLoopback(Machine().network, L"http://127.0.0.1:" + std::to_wstring(kLoopbackPort));
    return true;
  }();
  (void)served;
  return kLoopbackPort;
}

// The sim checks no certificates, so a TLS run would prove nothing beyond the plain one.
std::optional<LoopbackTls> LoopbackHttpsServer() { return std::nullopt; }

platform::System& ContractSystem() { return Machine().system(); }

platform::SimMachine& SimContractMachine() { return Machine(); }

std::wstring NewScratchFolder() {
  static int counter = 0;
  const std::wstring folder =
      L"C:\\Users\\Player\\AppData\\Local\\Temp\\contract-" + std::to_wstring(++counter);
  (void)Machine().files.CreateDirectory(folder);
  return folder;
}

std::wstring HelperCommandLine(std::uint32_t exit_code, std::uint32_t sleep_ms,
                               const std::wstring& marker_path) {
  return std::wstring(L"\"") + kHelperPath + L"\" " + std::to_wstring(exit_code) + L" " +
         std::to_wstring(sleep_ms) + L" \"" + marker_path + L"\"";
}

std::wstring HelperTreeCommandLine(std::uint32_t sleep_ms, const std::wstring& marker_path) {
  return std::wstring(L"\"") + kHelperPath + L"\" " + std::wstring(kTreeWord) +
         std::to_wstring(sleep_ms) + L" \"" + marker_path + L"\"";
}

}  // namespace contract
