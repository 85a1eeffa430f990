// The lattice renderer on the machine's Direct3D 11 device, and its picture against the CPU
// reference. Under Wine the compatibility variant runs on Mesa's software rasteriser in 32-bit
// float, and its stand-ins for sin, exp and log stay within float rounding here, so what is
// left is the target's rounding to 8 bits: within 1/255 per channel on 99.9% of the compared
// pixels and a mean below 0.45/255 (measured: all 6400 compared pixels within 0.7/255, mean
// 0.37/255; over all 409600 pixels 27 are off by more than 1/255, where a ray grazes a cell
// edge and meets another cell first). A flipped latency axis or count column floor gives a
// mean of 46/255 or 14/255. A hardware GPU's sin, exp and log are coarser: within 4/255 on
// 98%, mean below 1.5/255.
#include <d3d11.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <memory>

#include "gui/chart_data.h"
#include "gui/lattice_march.h"
#include "gui/win32/lattice_renderer_win32.h"

namespace {

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A picture with count columns of every height, a candidate band, marks and empty columns.
std::unique_ptr<gui::LatticeTextures> SampleTextures() {
  auto snapshot = std::make_unique<gui::ChartSnapshot>();
  for (int column = 0; column < gui::kLatticeSize; column += 3) {
    for (int row = 10; row < 90; row += 1 + column % 5) {
      gui::LatticeCell& cell = snapshot->cells[row * gui::kLatticeSize + column];
      cell.all = static_cast<std::uint16_t>(1 + (row * column) % 70);
      cell.afterIdle = static_cast<std::uint16_t>(cell.all / 3);
      cell.backToBack = static_cast<std::uint16_t>(cell.all - cell.afterIdle);
      cell.late = static_cast<std::uint16_t>(column > 64 ? cell.all / 2 : 0);
    }
  }
  for (int column : {4, 40, 100}) {
    gui::StatTexels& s = snapshot->stats[column];
    s.levels = {0.3f, 0.45f, 0.6f, 0.03f};
    s.score = {column / 127.0f, column / 127.0f, 1, 0};
  }
  auto textures = std::make_unique<gui::LatticeTextures>();
  gui::FillLatticeTextures(*snapshot, *textures);
  return textures;
}

struct Device {
  ID3D11Device* device = nullptr;
  ID3D11DeviceContext* context = nullptr;
  Device() {
    const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_0};
    if (FAILED(::D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, levels, 2,
                                   D3D11_SDK_VERSION, &device, nullptr, &context))) {
      device = nullptr;
      context = nullptr;
    }
  }
  ~Device() {
    if (context != nullptr) context->Release();
    if (device != nullptr) device->Release();
  }
};

TEST(LatticeRendererContractTest, RendersIntoItsOwnTarget) {
  Device d;
  if (d.device == nullptr) GTEST_SKIP() << "no Direct3D 11 device here (needs a display)";
  std::string error;
  auto first = gui::win32::LatticeRenderer::Create(d.device, UnderWine(), error);
  auto second = gui::win32::LatticeRenderer::Create(d.device, UnderWine(), error);
  ASSERT_NE(first, nullptr) << error;
  ASSERT_NE(second, nullptr) << error;
  EXPECT_NE(first->Target(), second->Target());
  D3D11_TEXTURE2D_DESC desc{};
  first->Target()->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 640u);
  EXPECT_EQ(desc.Height, 640u);
  EXPECT_EQ(desc.Format, DXGI_FORMAT_B8G8R8A8_UNORM);
  first->Upload(d.context, *SampleTextures());
  second->Upload(d.context, gui::LatticeTextures{});
  first->Render(d.context, 1.3f);
  second->Render(d.context, 2.0f);
}

TEST(LatticeRendererContractTest, GpuPictureMatchesTheReference) {
  Device d;
  if (d.device == nullptr) GTEST_SKIP() << "no Direct3D 11 device here (needs a display)";
  ID3D11Device* device = d.device;
  ID3D11DeviceContext* context = d.context;
  std::string error;
  auto renderer = gui::win32::LatticeRenderer::Create(device, UnderWine(), error);
  ASSERT_NE(renderer, nullptr) << error;
  const auto textures = SampleTextures();
  constexpr float kSeconds = 1.3f;
  renderer->Upload(context, *textures);
  renderer->Render(context, kSeconds);

  D3D11_TEXTURE2D_DESC desc{};
  renderer->Target()->GetDesc(&desc);
  desc.Usage = D3D11_USAGE_STAGING;
  desc.BindFlags = 0;
  desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
  ID3D11Texture2D* staging = nullptr;
  ASSERT_TRUE(SUCCEEDED(device->CreateTexture2D(&desc, nullptr, &staging)));
  context->CopyResource(staging, renderer->Target());
  D3D11_MAPPED_SUBRESOURCE mapped{};
  ASSERT_TRUE(SUCCEEDED(context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped)));

  const float kClose = (UnderWine() ? 1 : 4) / 255.0f;
  const int kClosePerMille = UnderWine() ? 999 : 980;
  const double kMeanBelow = (UnderWine() ? 0.45 : 1.5) / 255;
  constexpr int kSize = gui::win32::kLatticeTargetSize;
  int compared = 0, close = 0, lit = 0;
  double totalError = 0;
  for (int y = 2; y < kSize; y += 8) {
    const auto* row = static_cast<const std::uint8_t*>(mapped.pData) + y * mapped.RowPitch;
    for (int x = 2; x < kSize; x += 8) {
      const gui::PixelRgb want =
          gui::ShadeLatticePixel(*textures, kSeconds, (x + 0.5f) / kSize, (y + 0.5f) / kSize);
      const float got[3] = {row[x * 4 + 2] / 255.0f, row[x * 4 + 1] / 255.0f,
                            row[x * 4 + 0] / 255.0f};  // BGRA
      const float diff =
          std::fmax(std::fabs(got[0] - want.r),
                    std::fmax(std::fabs(got[1] - want.g), std::fabs(got[2] - want.b)));
      ++compared;
      if (diff <= kClose) ++close;
      if (want.b > 0.3f) ++lit;
      totalError += diff;
    }
  }
  context->Unmap(staging, 0);
  staging->Release();

  EXPECT_GT(lit, compared / 20) << "the picture should show data";
  EXPECT_GE(close, compared * kClosePerMille / 1000) << close << " of " << compared;
  EXPECT_LT(totalError / compared, kMeanBelow) << totalError / compared * 255 << "/255";
}

}  // namespace
