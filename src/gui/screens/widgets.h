// The few controls every step screen is made of: buttons, check items, a progress bar and a
// card ground. Each draws itself and lists itself with the router, so a click is routed to
// what the user sees.
#pragma once

#include <string>
#include <string_view>

#include "gui/canvas.h"
#include "gui/input_router.h"

namespace gui::screens {

enum class ButtonKind { kPrimary, kSecondary, kDanger };

// `flags` as for InputRouter::Add; a primary button also answers Enter unless marked
// never-default.
void DrawButton(Canvas& canvas, InputRouter& router, Rect rect, std::string_view label, int id,
                ButtonKind kind = ButtonKind::kSecondary, std::uint32_t flags = 0);
// A width that fits `label` in the button style, at least `minimum`.
float ButtonWidth(Canvas& canvas, std::string_view label, float minimum = 120);

void DrawCheckItem(Canvas& canvas, InputRouter& router, Rect rect, std::string_view name,
                   std::string_view subtitle, bool checked, int id);

// `fraction` in 0..1, or negative for a moving stripe that says "working, length unknown".
void DrawProgressBar(Canvas& canvas, Rect rect, double fraction, double seconds);

void DrawCard(Canvas& canvas, Rect rect, bool attention = false);

// snprintf of up to three numbers into a short UTF-8 text.
std::string Printf(const char* format, double a, double b = 0, double c = 0);

}  // namespace gui::screens
