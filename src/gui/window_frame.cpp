#include "gui/window_frame.h"

#include <algorithm>

#include "gui/steps.h"
#include "support/utf.h"

namespace gui {

namespace {

constexpr float kMargin = 32.0f;
constexpr float kCardHeight = 44.0f;
constexpr float kCardGap = 10.0f;

}  // namespace

void DrawWindowFrame(Canvas& canvas, float width, float height, const FrameView& view) {
  canvas.SetOpacity(std::clamp(view.fade, 0.0f, 1.0f));
  canvas.FillRect({0, 0, width, height}, palette::kNavy);

  // The header: emblem, word mark and version over a thin accent rule.
  canvas.FillRect({0, 0, width, kHeaderHeight}, WithAlpha(palette::kBlueprint, 0.35f));
  canvas.DrawImage(Image::kMark, {kMargin - 8, 14, 44, 44});
  canvas.DrawImage(Image::kBrand, {kMargin + 48, 24, 235, 24});
  canvas.Text("v" + view.version, {width - 200 - kMargin, 0, 200, kHeaderHeight},
              TextStyle::kNumbers, palette::kIcy, Align::kTrailing, Align::kCenter);
  canvas.FillGradient({0, kHeaderHeight - 2, width, 2}, Gradient::kHeader);

  float y = kHeaderHeight + 28;
  canvas.Text("WELCOME", {kMargin, y, width - 2 * kMargin, 36}, TextStyle::kScreenTitle,
              palette::kCoolWhite);
  y += 48;
  canvas.Text(kScreensNotBuilt, {kMargin, y, std::min(width - 2 * kMargin, 760.0f), 72},
              TextStyle::kLead, palette::kIcy);
  y += 92;

  canvas.Text("THE NINE STEPS", {kMargin, y, 400, 20}, TextStyle::kLabel, palette::kSteel);
  y += 26;
  // Two columns of step cards, as many rows as fit.
  const float column = (width - 2 * kMargin - kCardGap) / 2;
  for (int i = 0; i < kStepCount; ++i) {
    const float x = kMargin + static_cast<float>(i % 2) * (column + kCardGap);
    const float top = y + static_cast<float>(i / 2) * (kCardHeight + kCardGap);
    if (top + kCardHeight > height - kMargin) break;
    const Rect card{x, top, column, kCardHeight};
    canvas.FillRoundedRect(card, 8, WithAlpha(palette::kBlueprint, 0.55f));
    canvas.OutlineRoundedRect(card, 8, palette::kSteel, 1);
    canvas.Text(std::to_string(i + 1), {x + 14, top, 24, kCardHeight}, TextStyle::kLargeNumbers,
                palette::kElectric, Align::kLeading, Align::kCenter);
    canvas.Text(support::ToUtf8(Step(i).statusName), {x + 44, top, column - 56, kCardHeight},
                TextStyle::kHeading, palette::kCoolWhite, Align::kLeading, Align::kCenter);
  }
  canvas.SetOpacity(1.0f);
}

}  // namespace gui
