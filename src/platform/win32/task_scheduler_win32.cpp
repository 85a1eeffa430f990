#include "platform/win32/task_scheduler_win32.h"

#include <windows.h>
// After <windows.h>, which they need.
#include <oleauto.h>
#include <taskschd.h>

#include <functional>

#include "platform/win32/com_ptr.h"

namespace platform {
namespace {

using support::ErrorCode;
using win32::Bstr;
using win32::Com;

// {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}
constexpr CLSID kClsidTaskScheduler = {
    0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};
// {2FABA4C7-4DA9-4013-9697-20CC3FD40F85}
constexpr IID kIidTaskService = {
    0x2faba4c7, 0x4da9, 0x4013, {0x96, 0x97, 0x20, 0xcc, 0x3f, 0xd4, 0x0f, 0x85}};

constexpr HRESULT kFileNotFound = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
constexpr HRESULT kPathNotFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
// Task Scheduler's own verdicts on a definition (unexpected node to malformed XML), and
// the XML parser's, which it passes on.
constexpr HRESULT kFirstXmlVerdict = static_cast<HRESULT>(0x80041316);
constexpr HRESULT kLastXmlVerdict = static_cast<HRESULT>(0x8004131A);
constexpr HRESULT kFirstParserError = static_cast<HRESULT>(0xC00CE000);
constexpr HRESULT kLastParserError = static_cast<HRESULT>(0xC00CEFFF);

ErrorCode CodeOf(HRESULT hr) {
  if (hr == kFileNotFound || hr == kPathNotFound) return ErrorCode::kNotFound;
  if (hr == E_ACCESSDENIED) return ErrorCode::kAccessDenied;
  if (hr == E_NOTIMPL || hr == REGDB_E_CLASSNOTREG) return ErrorCode::kUnsupported;
  if (hr == E_INVALIDARG || (hr >= kFirstXmlVerdict && hr <= kLastXmlVerdict) ||
      (hr >= kFirstParserError && hr <= kLastParserError)) {
    return ErrorCode::kInvalidArgument;
  }
  return ErrorCode::kFailed;
}

support::PortError Failed(HRESULT hr, const std::wstring& what) {
  return support::Fail(CodeOf(hr), what, static_cast<std::uint32_t>(hr));
}

// Connects to the local scheduler and runs `use` on its root folder, inside COM for this
// call.
support::Status WithRootFolder(const std::function<HRESULT(ITaskFolder&)>& use,
                               const std::wstring& what) {
  const win32::ComScope com;
  Com<ITaskService> service;
  HRESULT hr = ::CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  kIidTaskService, reinterpret_cast<void**>(service.Put()));
  if (FAILED(hr)) {
    return support::Fail(ErrorCode::kUnsupported, L"CoCreateInstance TaskScheduler",
                         static_cast<std::uint32_t>(hr));
  }
  VARIANT empty;
  ::VariantInit(&empty);
  hr = service->Connect(empty, empty, empty, empty);
  if (FAILED(hr)) return Failed(hr, L"ITaskService::Connect");
  Com<ITaskFolder> root;
  const Bstr root_path(L"\\");
  hr = service->GetFolder(root_path.get(), root.Put());
  if (FAILED(hr) || root.Get() == nullptr) return Failed(hr, L"ITaskService::GetFolder");
  hr = use(*root.Get());
  if (FAILED(hr)) return Failed(hr, what);
  return {};
}

}  // namespace

support::Status Win32TaskScheduler::RegisterFromXml(const std::wstring& name,
                                                    const std::wstring& xml, TaskRunAs run_as) {
  return WithRootFolder(
      [&](ITaskFolder& folder) {
        const Bstr path(name);
        const Bstr text(xml);
        // The logged-on user's task takes the principal the XML names; SYSTEM is named
        // here as well, as a service account has no password to give, by its SID, which
        // no language of Windows translates.
        VARIANT user;
        ::VariantInit(&user);
        if (run_as == TaskRunAs::kLocalSystem) {
          user.vt = VT_BSTR;
          user.bstrVal = ::SysAllocString(L"S-1-5-18");
        }
        VARIANT empty;
        ::VariantInit(&empty);
        Com<IRegisteredTask> task;
        const HRESULT hr =
            folder.RegisterTask(path.get(), text.get(), TASK_CREATE_OR_UPDATE, user, empty,
                                run_as == TaskRunAs::kLocalSystem ? TASK_LOGON_SERVICE_ACCOUNT
                                                                  : TASK_LOGON_INTERACTIVE_TOKEN,
                                empty, task.Put());
        ::VariantClear(&user);
        return hr;
      },
      L"ITaskFolder::RegisterTask " + name);
}

support::Status Win32TaskScheduler::Delete(const std::wstring& name) {
  return WithRootFolder(
      [&](ITaskFolder& folder) {
        const Bstr path(name);
        return folder.DeleteTask(path.get(), 0);
      },
      L"ITaskFolder::DeleteTask " + name);
}

support::Result<bool> Win32TaskScheduler::Exists(const std::wstring& name) {
  const support::Status found = WithRootFolder(
      [&](ITaskFolder& folder) {
        const Bstr path(name);
        Com<IRegisteredTask> task;
        return folder.GetTask(path.get(), task.Put());
      },
      L"ITaskFolder::GetTask " + name);
  if (found.ok()) return true;
  if (found.error().code == ErrorCode::kNotFound) return false;
  return found.error();
}

}  // namespace platform
