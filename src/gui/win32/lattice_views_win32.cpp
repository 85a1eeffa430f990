#include "gui/win32/lattice_views_win32.h"

#include <dxgi.h>

#include <algorithm>
#include <utility>

namespace gui::win32 {

LatticeViews::View* LatticeViews::Ready(ID3D11Device* device, int source) {
  if (failed_ || device == nullptr || source < 0 || source >= kLatticeSources) return nullptr;
  View& view = views_[static_cast<std::size_t>(source)];
  if (view.renderer == nullptr) {
    view.renderer = LatticeRenderer::Create(device, wine_compatible_, error_);
    if (view.renderer == nullptr) {
      failed_ = true;
      return nullptr;
    }
    view.textures = std::make_unique<LatticeTextures>();
    view.everFilled = false;
  }
  return &view;
}

void LatticeViews::Render(ID3D11Device* device, ID3D11DeviceContext* context, int source,
                          const ChartSnapshot& picture, std::uint64_t version, float seconds) {
  View* view = Ready(device, source);
  if (view == nullptr) return;
  if (!view->everFilled || view->filled != version) {
    FillLatticeTextures(picture, *view->textures);
    view->renderer->Upload(context, *view->textures);
    view->filled = version;
    view->everFilled = true;
  }
  view->renderer->Render(context, seconds);
  view->rendered = true;
}

bool LatticeViews::Draw(ID3D11Device* device, ID2D1DeviceContext* context, int source,
                        D2D1_RECT_F dest, float opacity) {
  View* view = Ready(device, source);
  if (view == nullptr) return false;
  view->drawn = true;
  if (!view->rendered) return true;
  if (view->bitmap == nullptr) {
    // The target lives on the device Direct2D draws with: shared as a surface, no copy.
    Microsoft::WRL::ComPtr<IDXGISurface> surface;
    const D2D1_BITMAP_PROPERTIES1 properties = D2D1::BitmapProperties1(
        D2D1_BITMAP_OPTIONS_NONE,
        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_IGNORE));
    if (FAILED(view->renderer->Target()->QueryInterface(IID_PPV_ARGS(&surface))) ||
        FAILED(context->CreateBitmapFromDxgiSurface(surface.Get(), &properties, &view->bitmap))) {
      error_ = "The lattice target could not be drawn by Direct2D.";
      failed_ = true;
      return false;
    }
  }
  // The picture is square: it fills the largest centred square of whatever it is given.
  const float side = std::min(dest.right - dest.left, dest.bottom - dest.top);
  const float x = (dest.left + dest.right - side) / 2, y = (dest.top + dest.bottom - side) / 2;
  const D2D1_RECT_F square{x, y, x + side, y + side};
  if (side <= 0) return true;
  context->DrawBitmap(view->bitmap.Get(), &square, std::clamp(opacity, 0.0f, 1.0f),
                      D2D1_INTERPOLATION_MODE_HIGH_QUALITY_CUBIC, nullptr, nullptr);
  return true;
}

void LatticeViews::EndFrame() {
  for (View& view : views_) {
    view.drawnBefore = view.drawn;
    view.drawn = false;
    view.rendered = false;
  }
}

bool LatticeViews::DrawnLastFrame(int source) const {
  return source >= 0 && source < kLatticeSources &&
         views_[static_cast<std::size_t>(source)].drawnBefore;
}

bool LatticeViews::AnyDrawnLastFrame() const {
  return std::any_of(views_.begin(), views_.end(), [](const View& v) { return v.drawnBefore; });
}

std::string LatticeViews::TakeError() { return std::exchange(error_, {}); }

void LatticeViews::Release() {
  for (View& view : views_) view = {};
  failed_ = false;
  error_.clear();
}

}  // namespace gui::win32
