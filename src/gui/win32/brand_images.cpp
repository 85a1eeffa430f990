#include "gui/win32/brand_images.h"

namespace gui::win32 {

using Microsoft::WRL::ComPtr;

namespace {

// Indexed by Image.
constexpr const wchar_t* kImageResources[] = {L"LOGO_PNG", L"MARK_PNG", L"BRAND_PNG"};

ComPtr<ID2D1Bitmap> Decode(IWICImagingFactory* imaging, ID2D1DeviceContext* context,
                           const wchar_t* name) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(self, name, MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found != nullptr ? ::LoadResource(self, found) : nullptr;
  void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  const DWORD size = found != nullptr ? ::SizeofResource(self, found) : 0;
  if (bytes == nullptr || size == 0) return nullptr;

  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  ComPtr<ID2D1Bitmap> bitmap;
  if (FAILED(imaging->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(bytes), size)) ||
      FAILED(imaging->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(imaging->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeMedianCut)) ||
      FAILED(context->CreateBitmapFromWicBitmap(converter.Get(), nullptr, &bitmap))) {
    return nullptr;
  }
  return bitmap;
}

}  // namespace

void BrandImages::Load(ID2D1DeviceContext* context) {
  if (imaging_ == nullptr &&
      FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&imaging_)))) {
    return;
  }
  for (int i = 0; i < 3; ++i) bitmaps_[i] = Decode(imaging_.Get(), context, kImageResources[i]);
}

void BrandImages::Release() {
  for (auto& bitmap : bitmaps_) bitmap.Reset();
}

}  // namespace gui::win32
