#include "gui/font_choice.h"

namespace gui {

FontChoice ChooseFont(const std::wstring& requested,
                      const std::function<bool(const std::wstring&)>& hasPrivate,
                      const std::function<bool(const std::wstring&)>& hasSystem,
                      const std::wstring& anySystemFamily) {
  if (hasPrivate(requested)) return {requested, FontSource::kPrivate, false};
  if (hasSystem(requested)) return {requested, FontSource::kSystem, false};
  for (const wchar_t* fallback : {L"Segoe UI", L"Philosopher"}) {
    if (hasSystem(fallback)) return {fallback, FontSource::kSystem, true};
    if (hasPrivate(fallback)) return {fallback, FontSource::kPrivate, true};
  }
  return {anySystemFamily, FontSource::kSystem, true};
}

}  // namespace gui
