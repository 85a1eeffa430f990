// The three brand images, decoded from the exe's PNG resources into device bitmaps.
#pragma once

#include <d2d1_1.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <array>

#include "gui/theme.h"

namespace gui::win32 {

class BrandImages {
 public:
  // Decodes each image for `context`; an image that fails stays empty and draws nothing.
  void Load(ID2D1DeviceContext* context);
  void Release();
  ID2D1Bitmap* Get(Image image) const { return bitmaps_[static_cast<int>(image)].Get(); }

 private:
  Microsoft::WRL::ComPtr<IWICImagingFactory> imaging_;  // kept across device loss
  std::array<Microsoft::WRL::ComPtr<ID2D1Bitmap>, 3> bitmaps_;
};

}  // namespace gui::win32
