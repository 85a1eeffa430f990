// A canvas that keeps what was drawn instead of drawing it: the test double of the drawing
// layer, and the canvas side of the frame benchmark. Text is measured from the style's size
// with a fixed advance per character, close enough for layout rules (fits, wraps, trims).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gui/canvas.h"

namespace gui {

enum class DrawKind {
  kFillRect,
  kFillRoundedRect,
  kOutlineRoundedRect,
  kLine,
  kPolyline,
  kFillPolygon,
  kFillArea,
  kFillGradient,
  kText,
  kImage,
  kLattice,
};

// One drawing call, with the offset and opacity in force applied.
struct DrawCall {
  DrawKind kind;
  Rect rect;  // lines: from (x, y) to (x + width, y + height)
  Color color;
  std::string text;
  TextStyle style = TextStyle::kBody;
  Align horizontal = Align::kLeading;
  int points = 0;  // polylines and polygons
  int id = 0;      // image, gradient or lattice source
  Stroke stroke = Stroke::kSolid;
  float width = 0;  // stroke width
};

class RecordingCanvas : public Canvas {
 public:
  // Average advance of a character as a share of the font size.
  static constexpr float kAdvance = 0.55f;
  static constexpr float kLineHeight = 1.25f;

  void FillRect(Rect rect, Color color) override;
  void FillRoundedRect(Rect rect, float radius, Color color) override;
  void OutlineRoundedRect(Rect rect, float radius, Color color, float width) override;
  void Line(Point from, Point to, Color color, float width, float opacity, Stroke stroke) override;
  void Polyline(std::span<const Point> points, Color color, float width) override;
  void FillPolygon(std::span<const Point> points, Color color) override;
  void FillArea(std::span<const Point> curve, float baseline, Color color) override;
  void FillGradient(Rect rect, Gradient gradient, float opacity) override;
  void Text(std::string_view text, Rect rect, TextStyle style, Color color, Align horizontal,
            Align vertical) override;
  TextExtent MeasureText(std::string_view text, TextStyle style) override;
  void DrawImage(Image image, Rect rect, float opacity) override;
  bool DrawLattice(int source, Rect rect, float opacity) override;
  void PushClip(Rect rect) override;
  void PopClip() override;
  void SetOffset(Point offset) override { offset_ = offset; }
  void SetOpacity(float opacity) override { opacity_ = opacity; }

  // Whether DrawLattice reports the lattice as available.
  void SetLatticeAvailable(bool available) { lattice_available_ = available; }

  const std::vector<DrawCall>& calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  // The first text call whose text contains `part`.
  std::optional<DrawCall> FindText(std::string_view part) const;
  // Every drawn text, one per line, in drawing order: for checking a screen's wording.
  std::string AllText() const;
  int ClipDepth() const { return clip_depth_; }

 private:
  DrawCall& Add(DrawKind kind, Rect rect, Color color);

  std::vector<DrawCall> calls_;
  Point offset_;
  float opacity_ = 1.0f;
  int clip_depth_ = 0;
  bool lattice_available_ = true;
};

}  // namespace gui
