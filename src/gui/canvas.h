// What a screen may do to draw: immediate-mode calls in device-independent pixels. The
// Win32 drawing layer implements it over Direct2D and DirectWrite; RecordingCanvas records
// the calls so layout and text are tested without a window. Screens never see a platform
// object.
#pragma once

#include <span>
#include <string_view>

#include "gui/geometry.h"
#include "gui/theme.h"

namespace gui {

// What a lattice view shows where DrawLattice cannot draw (the window logs why).
inline constexpr char kLatticeUnavailable[] = "Lattice renderer unavailable on this device.";

struct TextExtent {
  float width = 0, height = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void FillRect(Rect rect, Color color) = 0;
  virtual void FillRoundedRect(Rect rect, float radius, Color color) = 0;
  virtual void OutlineRoundedRect(Rect rect, float radius, Color color, float width) = 0;
  // Opacity multiplies the colour's alpha; above 1 counts as 1.
  virtual void Line(Point from, Point to, Color color, float width, float opacity = 1.0f,
                    Stroke stroke = Stroke::kSolid) = 0;
  virtual void Polyline(std::span<const Point> points, Color color, float width) = 0;
  virtual void FillPolygon(std::span<const Point> points, Color color) = 0;
  // The area between a curve and a horizontal baseline.
  virtual void FillArea(std::span<const Point> curve, float baseline, Color color) = 0;
  virtual void FillGradient(Rect rect, Gradient gradient, float opacity = 1.0f) = 0;

  // UTF-8 text; wrapping and trimming come from the style.
  virtual void Text(std::string_view text, Rect rect, TextStyle style, Color color,
                    Align horizontal = Align::kLeading, Align vertical = Align::kLeading) = 0;
  // Laid out in at most 10000 x 100 DIPs.
  virtual TextExtent MeasureText(std::string_view text, TextStyle style) = 0;

  virtual void DrawImage(Image image, Rect rect, float opacity = 1.0f) = 0;
  // The lattice view of one source (the live measurement, or Home's last scan); returns
  // false when the lattice cannot be drawn on this machine, so the caller shows why.
  virtual bool DrawLattice(int source, Rect rect, float opacity = 1.0f) = 0;

  virtual void PushClip(Rect rect) = 0;
  virtual void PopClip() = 0;
  // An offset for everything drawn after it (page slides, scrolled lists).
  virtual void SetOffset(Point offset) = 0;
  // A multiplier on every colour's alpha, for page fades; palette colours included.
  virtual void SetOpacity(float opacity) = 0;
};

}  // namespace gui
