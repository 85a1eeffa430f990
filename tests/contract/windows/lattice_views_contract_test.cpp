// The lattice sources between Direct3D and Direct2D on one device: each source's target is
// rendered before the Direct2D pass and drawn in it as a shared surface, with no copy. Wine's
// compiler builds only the shader's compatibility variant, which it renders as Windows does.
#include <d2d1_1.h>
#include <d3d11.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>

#include "gui/win32/graphics_modules.h"
#include "gui/win32/lattice_views_win32.h"

namespace {

using Microsoft::WRL::ComPtr;

bool UnderWine() {
  return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(LatticeViewsContractTest, EachSourceDrawsItsSharedTargetInTheDirect2DPass) {
  const auto& graphics = gui::win32::Graphics();
  ASSERT_TRUE(graphics.Complete());
  ComPtr<ID3D11Device> device;
  ComPtr<ID3D11DeviceContext> immediate;
  const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_0};
  if (FAILED(graphics.createDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr,
                                   D3D11_CREATE_DEVICE_BGRA_SUPPORT, levels, 2, D3D11_SDK_VERSION,
                                   &device, nullptr, &immediate))) {
    GTEST_SKIP() << "no Direct3D 11 device here (needs a display)";
  }
  ComPtr<IDXGIDevice> dxgi;
  ComPtr<ID2D1Factory1> factory;
  ComPtr<ID2D1Device> d2d;
  ComPtr<ID2D1DeviceContext> context;
  const D2D1_FACTORY_OPTIONS options{};
  ASSERT_TRUE(SUCCEEDED(device.As(&dxgi)));
  ASSERT_TRUE(SUCCEEDED(
      graphics.createD2dFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory1),
                                &options, reinterpret_cast<void**>(factory.GetAddressOf()))));
  ASSERT_TRUE(SUCCEEDED(factory->CreateDevice(dxgi.Get(), &d2d)));
  ASSERT_TRUE(SUCCEEDED(d2d->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_NONE, &context)));
  const auto format = D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED);
  ComPtr<ID2D1Bitmap1> target, readBack;
  ASSERT_TRUE(SUCCEEDED(
      context->CreateBitmap({200, 100}, nullptr, 0,
                            D2D1::BitmapProperties1(D2D1_BITMAP_OPTIONS_TARGET, format), &target)));
  ASSERT_TRUE(SUCCEEDED(context->CreateBitmap(
      {200, 100}, nullptr, 0,
      D2D1::BitmapProperties1(D2D1_BITMAP_OPTIONS_CPU_READ | D2D1_BITMAP_OPTIONS_CANNOT_DRAW,
                              format),
      &readBack)));
  context->SetTarget(target.Get());

  gui::win32::LatticeViews views(UnderWine());
  auto picture = std::make_unique<gui::ChartSnapshot>();
  picture->cells[40 * gui::kLatticeSize + 10].all = 5;
  for (int frame = 0; frame < 2; ++frame) {
    views.Render(device.Get(), immediate.Get(), gui::kLiveLattice, *picture, 1, frame * 0.1f);
    views.Render(device.Get(), immediate.Get(), gui::kLastScanLattice, *picture, 1, 0.5f);
    context->BeginDraw();
    context->Clear(D2D1::ColorF(1, 0, 0));
    EXPECT_TRUE(views.Draw(device.Get(), context.Get(), gui::kLiveLattice, {0, 0, 100, 100}, 1));
    EXPECT_TRUE(
        views.Draw(device.Get(), context.Get(), gui::kLastScanLattice, {100, 0, 200, 100}, 1));
    ASSERT_TRUE(SUCCEEDED(context->EndDraw()));
    views.EndFrame();
    EXPECT_TRUE(views.DrawnLastFrame(gui::kLiveLattice));
    EXPECT_TRUE(views.AnyDrawnLastFrame());
  }
  EXPECT_EQ(views.TakeError(), "");

  const D2D1_POINT_2U origin{0, 0};
  const D2D1_RECT_U all{0, 0, 200, 100};
  ASSERT_TRUE(SUCCEEDED(readBack->CopyFromBitmap(&origin, target.Get(), &all)));
  D2D1_MAPPED_RECT mapped{};
  ASSERT_TRUE(SUCCEEDED(readBack->Map(D2D1_MAP_OPTIONS_READ, &mapped)));
  // The corners of each square look past the cube at the background: (0.012, 0.028, 0.07)
  // darkened toward the corners, never the red clear colour.
  for (const int x : {2, 197}) {
    const BYTE* pixel = mapped.bits + 2 * mapped.pitch + x * 4;  // BGRA
    EXPECT_LT(pixel[2], 10) << x;
    EXPECT_LT(pixel[0], 25) << x;
  }
  readBack->Unmap();
}

}  // namespace
