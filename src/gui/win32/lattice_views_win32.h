// The window's lattice sources on the GPU: for each, its own renderer and target, the
// textures last filled from its picture, and the target as a Direct2D bitmap. Each source is
// rendered before the frame's Direct2D pass starts and drawn during it, so two lattices in one
// frame keep their own pictures. Window thread only.
#pragma once

#include <d2d1_1.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "gui/measure_charts.h"
#include "gui/win32/lattice_renderer_win32.h"

namespace gui::win32 {

class LatticeViews {
 public:
  // `wineCompatible` compiles the shader's Wine variant and is for tests only.
  explicit LatticeViews(bool wineCompatible = false) : wine_compatible_(wineCompatible) {}

  // Refills the source's textures when `version` differs from the last fill, then renders a
  // frame at `seconds`. Nothing when the lattice is unavailable on this device.
  void Render(ID3D11Device* device, ID3D11DeviceContext* context, int source,
              const ChartSnapshot& picture, std::uint64_t version, float seconds);
  // Draws the source's target into the largest centred square of `dest`; false when the lattice is
  // unavailable on this device. A source not rendered this frame draws nothing this time and is
  // rendered from the next frame on.
  bool Draw(ID3D11Device* device, ID2D1DeviceContext* context, int source, D2D1_RECT_F dest,
            float opacity);
  // Ends the frame: what was drawn in it is what the next frame renders again.
  void EndFrame();
  bool DrawnLastFrame(int source) const;
  bool AnyDrawnLastFrame() const;
  // Why the lattice is unavailable, once (for the log); empty otherwise.
  std::string TakeError();
  // Every device object; a new device may be able to draw what the old one could not.
  void Release();

 private:
  struct View {
    std::unique_ptr<LatticeRenderer> renderer;
    std::unique_ptr<LatticeTextures> textures;
    Microsoft::WRL::ComPtr<ID2D1Bitmap1> bitmap;
    std::uint64_t filled = 0;
    bool everFilled = false, rendered = false, drawn = false, drawnBefore = false;
  };
  View* Ready(ID3D11Device* device, int source);

  std::array<View, kLatticeSources> views_;
  bool wine_compatible_;
  bool failed_ = false;
  std::string error_;
};

}  // namespace gui::win32
