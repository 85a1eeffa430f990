#include "gui/win32/graphics_modules.h"

#include "platform/win32/system_module.h"

namespace gui::win32 {

const GraphicsModules& Graphics() {
  static const GraphicsModules modules = [] {
    platform::win32::SystemModule d3d11(L"d3d11.dll");
    platform::win32::SystemModule d2d1(L"d2d1.dll");
    platform::win32::SystemModule dwrite(L"dwrite.dll");
    platform::win32::SystemModule dwmapi(L"dwmapi.dll");
    GraphicsModules bound;
    bound.createDevice = VELTRANE_BIND(d3d11, D3D11CreateDevice);
    bound.createD2dFactory = d2d1.Bind<D2D1CreateFactoryFn>("D2D1CreateFactory");
    bound.createDWriteFactory = VELTRANE_BIND(dwrite, DWriteCreateFactory);
    bound.setWindowAttribute = VELTRANE_BIND(dwmapi, DwmSetWindowAttribute);
    return bound;
  }();
  return modules;
}

}  // namespace gui::win32
