// The one place that talks to Direct3D 11, DXGI, Direct2D and DirectWrite: the device and
// swap chain of the main window, the theme's formats, brushes and strokes, the brand
// images, and the Canvas the screens draw through. Window thread only.
#pragma once

#include <d2d1_1.h>
#include <d3d11.h>
#include <dwrite.h>
#include <dxgi1_2.h>
#include <windows.h>
#include <wrl/client.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "gui/canvas.h"
#include "gui/win32/brand_images.h"
#include "gui/win32/lattice_views_win32.h"
#include "gui/win32/private_fonts.h"

namespace gui::win32 {

class DrawingLayer : public Canvas {
 public:
  DrawingLayer() = default;
  ~DrawingLayer() override;
  DrawingLayer(const DrawingLayer&) = delete;
  DrawingLayer& operator=(const DrawingLayer&) = delete;

  // Builds every device object for `window`; false with error() set when there is no
  // device, swap chain, device context or target. Called again after a release.
  bool Initialise(HWND window, float dpi);
  bool Ready() const { return target_ != nullptr; }
  const std::wstring& error() const { return error_; }
  // Whether the device came from the software rasteriser (no usable GPU driver).
  bool Software() const { return software_; }

  // Client size in pixels, each at least 1. A failed resize releases everything; the next
  // frame initialises again.
  void Resize(UINT width, UINT height);
  void SetDpi(float dpi);

  void BeginFrame(Color clear);
  // Ends drawing and presents with vsync; a lost target or device releases everything.
  void EndFrame();
  // Every device-dependent object; fonts and text formats survive.
  void ReleaseAll();

  // Renders one lattice source for the coming frame; call before BeginFrame. The textures
  // are refilled only when `version` changed since the last render of that source.
  void RenderLattice(int source, const ChartSnapshot& picture, std::uint64_t version,
                     float seconds);
  // Whether the last frame drew the source, or any source: a drawn lattice turns.
  bool LatticeDrawn(int source) const { return lattices_.DrawnLastFrame(source); }
  bool AnyLatticeDrawn() const { return lattices_.AnyDrawnLastFrame(); }
  // Why the lattice cannot be drawn on this device, once; empty otherwise.
  std::string TakeLatticeError() { return lattices_.TakeError(); }

  // Which family a text role draws with after the fallbacks ("Segoe UI" when neither the
  // exe's fonts nor the system have it).
  std::wstring FamilyOf(TextStyle style) const;
  const PrivateFonts* fonts() const { return fonts_.get(); }
  // One line per family that had to fall back, for the caller's log; made once, with the
  // text formats.
  const std::vector<std::wstring>& font_notes() const { return font_notes_; }

  // Canvas
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
  void SetOffset(Point offset) override;
  void SetOpacity(float opacity) override { opacity_ = opacity; }

 private:
  bool CreateDevice();
  bool CreateSwapChain(HWND window);
  bool CreateTarget();
  void CreateTextResources();
  void CreateBrushes();
  // The brush for `color` with the frame's opacity applied; a palette brush's opacity is
  // set on every use, so a fade covers palette-coloured elements too.
  ID2D1Brush* BrushFor(Color color);

  template <typename T>
  using Ptr = Microsoft::WRL::ComPtr<T>;

  Ptr<ID3D11Device> device_;
  Ptr<ID3D11DeviceContext> immediate_;
  Ptr<IDXGIDevice1> dxgi_device_;
  Ptr<IDXGISwapChain1> swap_chain_;
  Ptr<ID2D1Factory1> d2d_factory_;
  Ptr<ID2D1Device> d2d_device_;
  Ptr<ID2D1DeviceContext> context_;
  Ptr<ID2D1Bitmap1> target_;
  Ptr<IDWriteFactory> dwrite_;
  std::unique_ptr<PrivateFonts> fonts_;
  std::array<Ptr<IDWriteTextFormat>, kTextStyleCount> formats_;
  std::array<std::wstring, kTextStyleCount> families_;
  std::vector<std::wstring> font_notes_;
  Ptr<ID2D1SolidColorBrush> general_;
  std::array<Ptr<ID2D1SolidColorBrush>, 8> palette_;
  std::array<Ptr<ID2D1LinearGradientBrush>, 3> gradients_;
  std::array<Ptr<ID2D1StrokeStyle1>, 3> strokes_;
  BrandImages images_;
  LatticeViews lattices_;

  HWND window_ = nullptr;
  float dpi_ = 96.0f;
  float opacity_ = 1.0f;
  Point offset_;
  bool software_ = false;
  std::wstring error_;
};

}  // namespace gui::win32
