#include "app/task_xml.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "app/output.h"
#include "platform/system.h"

namespace {

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

std::wstring FolderOfCommand(const std::wstring& command) {
  const std::size_t slash = command.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : command.substr(0, slash);
}

std::wstring Triggers(const std::wstring& user) {
  if (user.empty()) {
    return L"    <BootTrigger>\r\n"
           L"      <Enabled>true</Enabled>\r\n"
           L"    </BootTrigger>\r\n";
  }
  return L"    <LogonTrigger>\r\n"
         L"      <Enabled>true</Enabled>\r\n"
         L"      <UserId>" +
         XmlEscape(user) +
         L"</UserId>\r\n"
         L"      <Delay>PT15S</Delay>\r\n"
         L"    </LogonTrigger>\r\n";
}

std::wstring Principal(const std::wstring& user) {
  // S-1-5-18 is SYSTEM, spelled the same in every language of Windows.
  if (user.empty()) return L"      <UserId>S-1-5-18</UserId>\r\n";
  return L"      <UserId>" + XmlEscape(user) +
         L"</UserId>\r\n"
         L"      <LogonType>InteractiveToken</LogonType>\r\n";
}

}  // namespace

std::wstring TaskXml(const TaskDefinition& task) {
  std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      L"<Task version=\"1.3\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      L"  <RegistrationInfo>\r\n"
      L"    <Description>" +
      XmlEscape(task.description) +
      L"</Description>\r\n"
      L"  </RegistrationInfo>\r\n"
      L"  <Triggers>\r\n" +
      Triggers(task.user) +
      L"  </Triggers>\r\n"
      L"  <Principals>\r\n"
      L"    <Principal>\r\n" +
      Principal(task.user) +
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
      XmlEscape(task.command) + L"</Command>\r\n";
  // Task Scheduler rejects an empty Arguments element, so a task without arguments has none.
  if (!task.arguments.empty()) {
    xml += L"      <Arguments>" + XmlEscape(task.arguments) + L"</Arguments>\r\n";
  }
  xml += L"      <WorkingDirectory>" + XmlEscape(FolderOfCommand(task.command)) +
         L"</WorkingDirectory>\r\n"
         L"    </Exec>\r\n"
         L"  </Actions>\r\n"
         L"</Task>\r\n";
  return xml;
}

bool RegisterTask(const std::wstring& name, const std::wstring& xml, platform::TaskRunAs run_as) {
  const auto registered = platform::Sys().task_scheduler.RegisterFromXml(name, xml, run_as);
  if (!registered.ok()) {
    AppendLog(Format(L"Task Scheduler refused the task %ls (0x%08X).", name.c_str(),
                     registered.error().win32_error));
  }
  return registered.ok();
}
