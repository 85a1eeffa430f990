#include "gui/window_frame.h"

#include <algorithm>

namespace gui {

namespace {

constexpr float kMargin = 16.0f;
constexpr float kTitleTop = 80.0f;
constexpr float kContentTop = 122.0f;
constexpr float kStatusHeight = 54.0f;

}  // namespace

Rect ContentRect(float width, float height) {
  return {kMargin, kContentTop, std::max(width - 2 * kMargin, 0.0f),
          std::max(height - kStatusHeight - kContentTop, 0.0f)};
}

Rect DrawWindowFrame(Canvas& canvas, float width, float height, const FrameView& view) {
  canvas.SetOpacity(std::clamp(view.fade, 0.0f, 1.0f));
  canvas.FillRect({0, 0, width, height}, palette::kNavy);

  // The header: emblem, word mark and version over a thin accent rule.
  canvas.FillRect({0, 0, width, kHeaderHeight}, WithAlpha(palette::kBlueprint, 0.35f));
  canvas.DrawImage(Image::kMark, {kMargin + 8, 14, 44, 44});
  canvas.DrawImage(Image::kBrand, {kMargin + 64, 24, 235, 24});
  canvas.Text("v" + view.version, {kMargin + 310, 0, 120, kHeaderHeight}, TextStyle::kNumbers,
              palette::kIcy, Align::kLeading, Align::kCenter);
  canvas.FillGradient({0, kHeaderHeight - 2, width, 2}, Gradient::kHeader);

  // What the header feed says the window is doing, beside the version.
  canvas.Text(view.title, {kMargin + 380, 16, 300, 20}, TextStyle::kLabel, palette::kCoolWhite);
  canvas.Text(view.detail, {kMargin + 380, 38, 300, 20}, TextStyle::kSmall, palette::kIcy);
  // The page: the stage's name and subtitle.
  canvas.Text(view.page, {kMargin, kTitleTop, width * 0.4f, 34}, TextStyle::kScreenTitle,
              palette::kCoolWhite, Align::kLeading, Align::kCenter);
  canvas.Text(view.subtitle, {kMargin + width * 0.4f, kTitleTop, width * 0.6f - 2 * kMargin, 34},
              TextStyle::kLead, palette::kIcy, Align::kTrailing, Align::kCenter);

  const float statusTop = height - kStatusHeight;
  canvas.FillRect({0, statusTop, width, 1}, WithAlpha(palette::kSteel, 0.6f));
  canvas.Text(view.status, {kMargin, statusTop, width - 2 * kMargin, kStatusHeight},
              TextStyle::kCaption, palette::kIcy, Align::kLeading, Align::kCenter);
  return ContentRect(width, height);
}

}  // namespace gui
