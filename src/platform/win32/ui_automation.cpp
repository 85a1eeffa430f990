#include "platform/win32/ui_automation.h"

#include <oleauto.h>

#include "platform/win32/com_ptr.h"

namespace platform::win32 {
namespace {

using support::ErrorCode;

// {FF48DBA4-60EF-4201-AA87-54103EEF594E}
constexpr CLSID kClsidAutomation = {
    0xff48dba4, 0x60ef, 0x4201, {0xaa, 0x87, 0x54, 0x10, 0x3e, 0xef, 0x59, 0x4e}};
// {30CBE57D-D9D0-452A-AB13-7AC5AC4825EE}
constexpr IID kIidAutomation = {
    0x30cbe57d, 0xd9d0, 0x452a, {0xab, 0x13, 0x7a, 0xc5, 0xac, 0x48, 0x25, 0xee}};
constexpr int kTreeScopeDescendants = 4;
constexpr int kAutomationIdProperty = 30011;
constexpr int kNameProperty = 30005;

// The client interfaces as far as this query calls them; the unnamed slots keep the
// vtable layout of the published interfaces and are never called.
struct AutomationCondition : IUnknown {};

struct AutomationElement : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirst(int scope, AutomationCondition* condition,
                                              AutomationElement** found) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAll(void*, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(void*, void*, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(void*, void*, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int property, VARIANT* value) = 0;
};

struct Automation : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CompareElements(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(void*, void*, BOOL*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRootElement(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND window, AutomationElement** element) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFocusedElement(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRootElementBuildCache(void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromHandleBuildCache(HWND, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromPointBuildCache(POINT, void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFocusedElementBuildCache(void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateTreeWalker(void*, void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ControlViewWalker(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ContentViewWalker(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RawViewWalker(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_RawViewCondition(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ControlViewCondition(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ContentViewCondition(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateCacheRequest(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateTrueCondition(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateFalseCondition(void**) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePropertyCondition(int property, VARIANT value,
                                                            AutomationCondition** condition) = 0;
};

support::PortError Failed(HRESULT hr, const wchar_t* what) {
  return support::Fail(ErrorCode::kFailed, what, static_cast<std::uint32_t>(hr));
}

}  // namespace

support::Result<std::wstring> AutomationNameOf(HWND window, const std::wstring& automation_id) {
  const ComScope com;
  Com<Automation> automation;
  HRESULT hr = ::CoCreateInstance(kClsidAutomation, nullptr, CLSCTX_INPROC_SERVER, kIidAutomation,
                                  reinterpret_cast<void**>(automation.Put()));
  if (FAILED(hr)) {
    return support::Fail(ErrorCode::kUnsupported, L"CoCreateInstance CUIAutomation",
                         static_cast<std::uint32_t>(hr));
  }
  Com<AutomationElement> root;
  hr = automation->ElementFromHandle(window, root.Put());
  if (FAILED(hr) || root.Get() == nullptr) return Failed(hr, L"ElementFromHandle");
  VARIANT id;
  ::VariantInit(&id);
  id.vt = VT_BSTR;
  id.bstrVal = ::SysAllocString(automation_id.c_str());
  Com<AutomationCondition> condition;
  hr = automation->CreatePropertyCondition(kAutomationIdProperty, id, condition.Put());
  ::VariantClear(&id);
  if (FAILED(hr) || condition.Get() == nullptr) return Failed(hr, L"CreatePropertyCondition");
  Com<AutomationElement> found;
  hr = root->FindFirst(kTreeScopeDescendants, condition.Get(), found.Put());
  if (FAILED(hr)) return Failed(hr, L"FindFirst");
  if (found.Get() == nullptr) return support::Fail(ErrorCode::kNotFound, L"FindFirst");
  VARIANT name;
  ::VariantInit(&name);
  hr = found->GetCurrentPropertyValue(kNameProperty, &name);
  if (FAILED(hr)) return Failed(hr, L"GetCurrentPropertyValue");
  std::wstring text;
  if (name.vt == VT_BSTR && name.bstrVal != nullptr) {
    text.assign(name.bstrVal, ::SysStringLen(name.bstrVal));
  }
  ::VariantClear(&name);
  return text;
}

}  // namespace platform::win32
