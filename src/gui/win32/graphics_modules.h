// The graphics DLLs, bound at run time from System32 like every other DLL that is not a
// KnownDLL: a d3d11.dll or dwrite.dll planted beside the exe must never load elevated.
#pragma once

#include <d2d1_1.h>
#include <d3d11.h>
#include <dwmapi.h>
#include <dwrite.h>

namespace gui::win32 {

// Declared by hand: the SDK overloads the name with C++ helpers, so decltype cannot pick it.
using D2D1CreateFactoryFn = HRESULT(WINAPI*)(D2D1_FACTORY_TYPE type, REFIID iid,
                                             const D2D1_FACTORY_OPTIONS* options, void** factory);

struct GraphicsModules {
  decltype(&::D3D11CreateDevice) createDevice = nullptr;
  D2D1CreateFactoryFn createD2dFactory = nullptr;
  decltype(&::DWriteCreateFactory) createDWriteFactory = nullptr;
  decltype(&::DwmSetWindowAttribute) setWindowAttribute = nullptr;  // optional

  // Whether everything the drawing layer cannot do without was found.
  bool Complete() const {
    return createDevice != nullptr && createD2dFactory != nullptr && createDWriteFactory != nullptr;
  }
};

// Loaded once and kept for the life of the process.
const GraphicsModules& Graphics();

}  // namespace gui::win32
