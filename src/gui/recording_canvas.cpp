#include "gui/recording_canvas.h"

#include <algorithm>
#include <cassert>

namespace gui {

DrawCall& RecordingCanvas::Add(DrawKind kind, Rect rect, Color color) {
  rect.x += offset_.x;
  rect.y += offset_.y;
  color.a *= opacity_;
  DrawCall call{kind, rect, color};
  calls_.push_back(std::move(call));
  return calls_.back();
}

void RecordingCanvas::FillRect(Rect rect, Color color) { Add(DrawKind::kFillRect, rect, color); }

void RecordingCanvas::FillRoundedRect(Rect rect, float, Color color) {
  Add(DrawKind::kFillRoundedRect, rect, color);
}

void RecordingCanvas::OutlineRoundedRect(Rect rect, float, Color color, float width) {
  Add(DrawKind::kOutlineRoundedRect, rect, color).width = width;
}

void RecordingCanvas::Line(Point from, Point to, Color color, float width, float opacity,
                           Stroke stroke) {
  color.a *= std::min(opacity, 1.0f);
  auto& call = Add(DrawKind::kLine, {from.x, from.y, to.x - from.x, to.y - from.y}, color);
  call.width = width;
  call.stroke = stroke;
}

namespace {

Rect Bounds(std::span<const Point> points) {
  if (points.empty()) return {};
  float left = points[0].x, top = points[0].y, right = left, bottom = top;
  for (const Point& p : points) {
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  return {left, top, right - left, bottom - top};
}

}  // namespace

void RecordingCanvas::Polyline(std::span<const Point> points, Color color, float width) {
  auto& call = Add(DrawKind::kPolyline, Bounds(points), color);
  call.points = static_cast<int>(points.size());
  call.width = width;
}

void RecordingCanvas::FillPolygon(std::span<const Point> points, Color color) {
  Add(DrawKind::kFillPolygon, Bounds(points), color).points = static_cast<int>(points.size());
}

void RecordingCanvas::FillArea(std::span<const Point> curve, float baseline, Color color) {
  Rect bounds = Bounds(curve);
  const float bottom = std::max(bounds.Bottom(), baseline);
  bounds.y = std::min(bounds.y, baseline);
  bounds.height = bottom - bounds.y;
  Add(DrawKind::kFillArea, bounds, color).points = static_cast<int>(curve.size());
}

void RecordingCanvas::FillGradient(Rect rect, Gradient gradient, float opacity) {
  Add(DrawKind::kFillGradient, rect, WithAlpha(palette::kElectric, opacity)).id =
      static_cast<int>(gradient);
}

void RecordingCanvas::Text(std::string_view text, Rect rect, TextStyle style, Color color,
                           Align horizontal, Align) {
  auto& call = Add(DrawKind::kText, rect, color);
  call.text = std::string(text);
  call.style = style;
  call.horizontal = horizontal;
}

TextExtent RecordingCanvas::MeasureText(std::string_view text, TextStyle style) {
  const float size = FormatOf(style).size;
  // Continuation bytes of UTF-8 do not start a character.
  const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  });
  return {static_cast<float>(characters) * size * kAdvance, size * kLineHeight};
}

void RecordingCanvas::DrawImage(Image image, Rect rect, float opacity) {
  Add(DrawKind::kImage, rect, WithAlpha(palette::kCoolWhite, opacity)).id = static_cast<int>(image);
}

bool RecordingCanvas::DrawLattice(int source, Rect rect, float opacity) {
  if (!lattice_available_) return false;
  Add(DrawKind::kLattice, rect, WithAlpha(palette::kBlueprint, opacity)).id = source;
  return true;
}

void RecordingCanvas::PushClip(Rect) { ++clip_depth_; }

void RecordingCanvas::PopClip() {
  assert(clip_depth_ > 0 && "PopClip without PushClip");
  --clip_depth_;
}

std::optional<DrawCall> RecordingCanvas::FindText(std::string_view part) const {
  for (const DrawCall& call : calls_) {
    if (call.kind == DrawKind::kText && call.text.find(part) != std::string::npos) return call;
  }
  return std::nullopt;
}

std::string RecordingCanvas::AllText() const {
  std::string all;
  for (const DrawCall& call : calls_) {
    if (call.kind != DrawKind::kText) continue;
    all += call.text;
    all += '\n';
  }
  return all;
}

}  // namespace gui
