#include "gui/screens/widgets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace gui::screens {

using namespace gui::palette;

void DrawButton(Canvas& canvas, InputRouter& router, Rect rect, std::string_view label, int id,
                ButtonKind kind, std::uint32_t flags) {
  const bool primary = kind == ButtonKind::kPrimary;
  const Color fill = primary ? kElectric : WithAlpha(kBlueprint, 0.6f);
  const Color edge = kind == ButtonKind::kDanger ? kCoral : (primary ? kIcy : kSteel);
  canvas.FillRoundedRect(rect, 6, fill);
  canvas.OutlineRoundedRect(rect, 6, edge, 1);
  canvas.Text(label, rect, TextStyle::kButton, kCoolWhite, Align::kCenter, Align::kCenter);
  if (primary && (flags & kControlNeverDefault) == 0) flags |= kControlDefault;
  router.Add(id, rect, flags);
}

float ButtonWidth(Canvas& canvas, std::string_view label, float minimum) {
  return std::max(minimum, canvas.MeasureText(label, TextStyle::kButton).width + 36);
}

void DrawCheckItem(Canvas& canvas, InputRouter& router, Rect rect, std::string_view name,
                   std::string_view subtitle, bool checked, int id) {
  canvas.FillRoundedRect(rect, 6, WithAlpha(kBlueprint, checked ? 0.55f : 0.25f));
  canvas.OutlineRoundedRect(rect, 6, checked ? kElectric : kSteel, 1);
  const Rect box{rect.x + 12, rect.y + (rect.height - 18) / 2, 18, 18};
  canvas.OutlineRoundedRect(box, 3, checked ? kIcy : kSteel, 1.5f);
  if (checked) canvas.FillRoundedRect({box.x + 4, box.y + 4, 10, 10}, 2, kElectric);
  const float textX = box.Right() + 12;
  canvas.Text(name, {textX, rect.y + 4, rect.Right() - textX - 8, rect.height / 2},
              TextStyle::kHeading, checked ? kCoolWhite : kIcy, Align::kLeading, Align::kCenter);
  canvas.Text(subtitle,
              {textX, rect.y + rect.height / 2, rect.Right() - textX - 8, rect.height / 2 - 4},
              TextStyle::kSmall, kIcy, Align::kLeading, Align::kCenter);
  router.Add(id, rect);
}

void DrawProgressBar(Canvas& canvas, Rect rect, double fraction, double seconds) {
  canvas.FillRoundedRect(rect, rect.height / 2, WithAlpha(kBlueprint, 0.8f));
  if (fraction >= 0) {
    const float w = rect.width * static_cast<float>(std::clamp(fraction, 0.0, 1.0));
    if (w > 1) canvas.FillGradient({rect.x, rect.y, w, rect.height}, Gradient::kProgress);
    return;
  }
  // Indeterminate: a fifth of the bar sweeping across once every two seconds.
  const float phase = static_cast<float>(std::fmod(std::max(seconds, 0.0), 2.0) / 2.0);
  const float w = rect.width / 5;
  canvas.FillGradient({rect.x + (rect.width - w) * phase, rect.y, w, rect.height},
                      Gradient::kProgress, 0.8f);
}

void DrawCard(Canvas& canvas, Rect rect, bool attention) {
  canvas.FillRoundedRect(rect, 10, WithAlpha(kBlueprint, 0.45f));
  canvas.OutlineRoundedRect(rect, 10, attention ? kCoral : kSteel, 1);
}

std::string Printf(const char* format, double a, double b, double c) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

}  // namespace gui::screens
