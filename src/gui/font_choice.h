// Which family a text role really draws with. The brand families come from the exe's own
// collection, "Consolas" from the system; on a machine that has neither, the text must
// still draw, in a family that exists, rather than vanish.
#pragma once

#include <functional>
#include <string>

namespace gui {

enum class FontSource { kPrivate, kSystem };

struct FontChoice {
  std::wstring family;
  FontSource source = FontSource::kSystem;
  bool fellBack = false;  // not the family asked for: worth one log line
};

// `hasPrivate` and `hasSystem` say whether a collection holds a family. The order: the
// exe's collection, the system's, then "Segoe UI", then the brand's body face, then
// `anySystemFamily` (the first family the system lists; empty when it lists none).
FontChoice ChooseFont(const std::wstring& requested,
                      const std::function<bool(const std::wstring&)>& hasPrivate,
                      const std::function<bool(const std::wstring&)>& hasSystem,
                      const std::wstring& anySystemFamily);

}  // namespace gui
