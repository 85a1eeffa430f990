#include "gui/win32/lattice_renderer_win32.h"

#include <cstdio>

#include "gui/win32/lattice_shader_win32.h"

namespace gui::win32 {

namespace {

template <typename T>
void Release(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

// The constant buffer the shader reads: time, resolution and padding to 16 bytes.
struct FrameConstants {
  float time, res, pad0, pad1;
};

HRESULT MakeFloatTexture(ID3D11Device* device, int width, int height, ID3D11Texture2D** texture,
                         ID3D11ShaderResourceView** view) {
  D3D11_TEXTURE2D_DESC desc{};
  desc.Width = width;
  desc.Height = height;
  desc.MipLevels = 1;
  desc.ArraySize = 1;
  desc.Format = DXGI_FORMAT_R32G32B32A32_FLOAT;
  desc.SampleDesc.Count = 1;
  desc.Usage = D3D11_USAGE_DEFAULT;
  desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
  HRESULT hr = device->CreateTexture2D(&desc, nullptr, texture);
  if (SUCCEEDED(hr)) hr = device->CreateShaderResourceView(*texture, nullptr, view);
  return hr;
}

std::string Failed(const char* what, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof(text), "%s failed (0x%08lX).", what, static_cast<unsigned long>(hr));
  return text;
}

}  // namespace

std::unique_ptr<LatticeRenderer> LatticeRenderer::Create(ID3D11Device* device, bool wineCompatible,
                                                         std::string& error) {
  if (device->GetFeatureLevel() < D3D_FEATURE_LEVEL_10_0) {
    error = "The Direct3D device is below feature level 10.0.";
    return nullptr;
  }
  LatticeShaderCode code;
  if (!CompileLatticeShader(wineCompatible, code, error)) return nullptr;

  std::unique_ptr<LatticeRenderer> r(new LatticeRenderer());
  HRESULT hr =
      device->CreateVertexShader(code.vertex.data(), code.vertex.size(), nullptr, &r->vertex_);
  if (FAILED(hr)) return error = Failed("CreateVertexShader", hr), nullptr;
  hr = device->CreatePixelShader(code.pixel.data(), code.pixel.size(), nullptr, &r->pixel_);
  if (FAILED(hr)) return error = Failed("CreatePixelShader", hr), nullptr;
  hr = MakeFloatTexture(device, kLatticeSize, kLatticeSize, &r->hist_, &r->hist_view_);
  if (FAILED(hr)) return error = Failed("The histogram texture", hr), nullptr;
  hr = MakeFloatTexture(device, kLatticeSize, 2, &r->stat_, &r->stat_view_);
  if (FAILED(hr)) return error = Failed("The statistics texture", hr), nullptr;

  D3D11_SAMPLER_DESC sampler{};
  sampler.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
  sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
  sampler.MaxLOD = D3D11_FLOAT32_MAX;
  hr = device->CreateSamplerState(&sampler, &r->sampler_);
  if (FAILED(hr)) return error = Failed("CreateSamplerState", hr), nullptr;

  D3D11_BUFFER_DESC frame{};
  frame.ByteWidth = sizeof(FrameConstants);
  frame.Usage = D3D11_USAGE_DEFAULT;
  frame.BindFlags = D3D11_BIND_CONSTANT_BUFFER;
  hr = device->CreateBuffer(&frame, nullptr, &r->frame_);
  if (FAILED(hr)) return error = Failed("The frame constant buffer", hr), nullptr;

  D3D11_TEXTURE2D_DESC target{};
  target.Width = target.Height = kLatticeTargetSize;
  target.MipLevels = target.ArraySize = 1;
  target.Format = DXGI_FORMAT_B8G8R8A8_UNORM;  // what Direct2D draws from
  target.SampleDesc.Count = 1;
  target.Usage = D3D11_USAGE_DEFAULT;
  target.BindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
  hr = device->CreateTexture2D(&target, nullptr, &r->target_);
  if (SUCCEEDED(hr)) hr = device->CreateRenderTargetView(r->target_, nullptr, &r->target_view_);
  if (FAILED(hr)) return error = Failed("The lattice target", hr), nullptr;
  return r;
}

LatticeRenderer::~LatticeRenderer() {
  Release(target_view_);
  Release(target_);
  Release(frame_);
  Release(sampler_);
  Release(stat_view_);
  Release(hist_view_);
  Release(stat_);
  Release(hist_);
  Release(pixel_);
  Release(vertex_);
}

void LatticeRenderer::Upload(ID3D11DeviceContext* context, const LatticeTextures& textures) {
  constexpr UINT kTexelBytes = sizeof(Texel);
  context->UpdateSubresource(hist_, 0, nullptr, textures.hist.data(), kLatticeSize * kTexelBytes,
                             0);
  context->UpdateSubresource(stat_, 0, nullptr, textures.stat.data(), kLatticeSize * kTexelBytes,
                             0);
}

void LatticeRenderer::Render(ID3D11DeviceContext* context, float seconds) {
  const FrameConstants constants{seconds, static_cast<float>(kLatticeTargetSize), 0, 0};
  context->UpdateSubresource(frame_, 0, nullptr, &constants, 0, 0);

  const D3D11_VIEWPORT viewport{0, 0, kLatticeTargetSize, kLatticeTargetSize, 0, 1};
  ID3D11ShaderResourceView* views[] = {hist_view_, stat_view_};
  context->OMSetRenderTargets(1, &target_view_, nullptr);
  context->RSSetViewports(1, &viewport);
  context->IASetInputLayout(nullptr);
  context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  context->VSSetShader(vertex_, nullptr, 0);
  context->PSSetShader(pixel_, nullptr, 0);
  context->PSSetShaderResources(0, 2, views);
  context->PSSetSamplers(0, 1, &sampler_);
  context->PSSetConstantBuffers(0, 1, &frame_);
  context->Draw(3, 0);
  // Direct2D draws from the target next; it must not still be bound for output.
  ID3D11RenderTargetView* none = nullptr;
  context->OMSetRenderTargets(1, &none, nullptr);
}

}  // namespace gui::win32
