// The Lattice view on the GPU: one renderer per lattice source, each with its own 640 x 640
// target, so two lattices drawn in one frame (a page transition, or Home's last scan beside
// Measure) each keep their own picture. Render every source before the frame's Direct2D pass
// starts and draw each target from there.
#pragma once

#include <d3d11.h>

#include <memory>
#include <string>

#include "gui/lattice_march.h"

namespace gui::win32 {

inline constexpr int kLatticeTargetSize = 640;

class LatticeRenderer {
 public:
  // Null with `error` set when the device's feature level is below 10.0 or the shader or a
  // resource could not be made; the panel then shows its message and the rest still draws.
  // `wineCompatible` is for tests only (see resources/lattice.hlsl).
  static std::unique_ptr<LatticeRenderer> Create(ID3D11Device* device, bool wineCompatible,
                                                 std::string& error);
  ~LatticeRenderer();
  LatticeRenderer(const LatticeRenderer&) = delete;
  LatticeRenderer& operator=(const LatticeRenderer&) = delete;

  // Replaces the picture's textures; they stay until the next upload.
  void Upload(ID3D11DeviceContext* context, const LatticeTextures& textures);
  // Draws one frame of the uploaded picture at `seconds` into the target.
  void Render(ID3D11DeviceContext* context, float seconds);
  // B8G8R8A8 640 x 640, row 0 at the top; owned by the renderer.
  ID3D11Texture2D* Target() const { return target_; }

 private:
  LatticeRenderer() = default;

  ID3D11VertexShader* vertex_ = nullptr;
  ID3D11PixelShader* pixel_ = nullptr;
  ID3D11Texture2D* hist_ = nullptr;
  ID3D11Texture2D* stat_ = nullptr;
  ID3D11ShaderResourceView* hist_view_ = nullptr;
  ID3D11ShaderResourceView* stat_view_ = nullptr;
  ID3D11SamplerState* sampler_ = nullptr;
  ID3D11Buffer* frame_ = nullptr;
  ID3D11Texture2D* target_ = nullptr;
  ID3D11RenderTargetView* target_view_ = nullptr;
};

}  // namespace gui::win32
