#include "afterburner/logon_task.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "afterburner/afterburner_paths.h"
#include "app/command_runner.h"
#include "app/data_folder.h"
#include "app/output.h"
#include "platform/account.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"

namespace {

constexpr std::uint32_t kSchtasksTimeoutMs = 20000;

std::wstring XmlEscape(const std::wstring& text) {
  constexpr std::pair<wchar_t, const wchar_t*> kEntities[] = {
      {L'"', L"&quot;"}, {L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}};
  std::wstring out;
  for (const wchar_t c : text) {
    const auto* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                      [c](const auto& e) { return e.first == c; });
    if (entity != std::end(kEntities)) {
      out += entity->second;
    } else {
      out += c;
    }
  }
  return out;
}

// UTF-16 little-endian with its byte-order mark, whatever width wchar_t has here.
std::string Utf16LeWithBom(const std::wstring& text) {
  std::string out = "\xFF\xFE";
  const auto unit = [&out](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (const wchar_t c : text) {
    const auto cp = static_cast<std::uint32_t>(c);
    if (cp > 0xFFFF) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

}  // namespace

std::string LogonTaskXml(const std::wstring& user, const std::wstring& command,
                         const std::wstring& arguments) {
  const std::wstring u = XmlEscape(user);
  std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      L"<Task version=\"1.3\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      L"  <RegistrationInfo>\r\n"
      L"    <Description>Veltrane starts this program at logon and applies the saved "
      L"overclock.</Description>\r\n"
      L"  </RegistrationInfo>\r\n"
      L"  <Triggers>\r\n"
      L"    <LogonTrigger>\r\n"
      L"      <Enabled>true</Enabled>\r\n"
      L"      <UserId>" +
      u +
      L"</UserId>\r\n"
      L"      <Delay>PT15S</Delay>\r\n"
      L"    </LogonTrigger>\r\n"
      L"  </Triggers>\r\n"
      L"  <Principals>\r\n"
      L"    <Principal>\r\n"
      L"      <UserId>" +
      u +
      L"</UserId>\r\n"
      L"      <LogonType>InteractiveToken</LogonType>\r\n"
      L"      <RunLevel>HighestAvailable</RunLevel>\r\n"
      L"    </Principal>\r\n"
      L"  </Principals>\r\n"
      L"  <Settings>\r\n"
      L"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
      L"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
      L"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
      L"    <AllowHardTerminate>false</AllowHardTerminate>\r\n"
      L"    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
      L"    <RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>\r\n"
      L"    <AllowStartOnDemand>true</AllowStartOnDemand>\r\n"
      L"    <Enabled>true</Enabled>\r\n"
      L"    <Hidden>false</Hidden>\r\n"
      L"    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
      L"    <Priority>6</Priority>\r\n"
      L"  </Settings>\r\n"
      L"  <Actions>\r\n"
      L"    <Exec>\r\n"
      L"      <Command>" +
      XmlEscape(command) + L"</Command>\r\n";
  // Task Scheduler rejects an empty Arguments element, so a task without arguments has none.
  if (!arguments.empty()) xml += L"      <Arguments>" + XmlEscape(arguments) + L"</Arguments>\r\n";
  xml += L"      <WorkingDirectory>" + XmlEscape(FolderOf(command)) +
         L"</WorkingDirectory>\r\n"
         L"    </Exec>\r\n"
         L"  </Actions>\r\n"
         L"</Task>\r\n";
  return Utf16LeWithBom(xml);
}

bool CreateLogonTask(const std::wstring& name, const std::wstring& command,
                     const std::wstring& arguments) {
  auto& sys = platform::Sys();
  // Step 1: the task runs for this user only; without a name for it there is no task.
  const auto user = sys.account.CurrentUser();
  if (!user || user->empty()) return false;
  // Step 2: Task Scheduler takes the definition from a file. The task runs with the
  // highest rights at every logon, so the file lives where only administrators write: in
  // the user's temporary folder any program of theirs could swap the command before
  // schtasks reads it. A file left by a crash is replaced.
  const std::wstring folder = DataFolder();
  if (!PrepareDataFolder(folder).empty()) return false;
  const std::wstring xml_path = folder + L"\\Veltrane-logon-task.xml";
  (void)sys.files.Delete(xml_path);
  if (!sys.files.WriteNew(xml_path, LogonTaskXml(*user, command, arguments)).ok()) {
    (void)sys.files.Delete(xml_path);
    return false;
  }
  // Step 3: register it, replacing an older task of the same name.
  const std::uint32_t code =
      RunHidden(SystemToolPath(L"schtasks.exe"),
                L"/Create /F /TN \"" + name + L"\" /XML \"" + xml_path + L"\"", kSchtasksTimeoutMs);
  (void)sys.files.Delete(xml_path);
  return code == 0;
}

void DeleteLogonTask(const std::wstring& name) {
  (void)RunHidden(SystemToolPath(L"schtasks.exe"), L"/Delete /F /TN \"" + name + L"\"",
                  kSchtasksTimeoutMs);
}

bool SetGpuPreference(const std::wstring& exePath) {
  return platform::Sys()
      .registry
      .WriteString({platform::Hive::kCurrentUser,
                    L"Software\\Microsoft\\DirectX\\UserGpuPreferences", exePath},
                   L"GpuPreference=2;")
      .ok();
}
