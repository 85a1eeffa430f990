#include "gui/win32/tray_icons.h"

#include <cstring>

namespace gui::win32 {
namespace {

constexpr int kProgramIcon = 101;
constexpr int kSourceSize = 128;

// The program icon's colour plane at kSourceSize, straight alpha, rows top down.
std::optional<IconPixels> ReadProgramIcon() {
  const auto icon =
      static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kProgramIcon),
                                      IMAGE_ICON, kSourceSize, kSourceSize, 0));
  if (icon == nullptr) return std::nullopt;
  ICONINFO info{};
  const bool hasInfo = ::GetIconInfo(icon, &info) != FALSE;
  std::optional<IconPixels> pixels;
  if (hasInfo && info.hbmColor != nullptr) {
    IconPixels image{kSourceSize, kSourceSize,
                     std::vector<std::uint32_t>(kSourceSize * kSourceSize)};
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = kSourceSize;
    format.bmiHeader.biHeight = -kSourceSize;  // top down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    HDC screen = ::GetDC(nullptr);
    if (::GetDIBits(screen, info.hbmColor, 0, kSourceSize, image.bgra.data(), &format,
                    DIB_RGB_COLORS) == kSourceSize) {
      pixels = std::move(image);
    }
    ::ReleaseDC(nullptr, screen);
  }
  if (hasInfo) {
    if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
    if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
  }
  ::DestroyIcon(icon);
  return pixels;
}

HICON IconFromPixels(const IconPixels& image) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = image.width;
  header.bV5Height = -image.height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HBITMAP colour = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  HBITMAP mask = ::CreateBitmap(image.width, image.height, 1, 1, nullptr);
  HICON icon = nullptr;
  if (colour != nullptr && mask != nullptr && bits != nullptr) {
    std::memcpy(bits, image.bgra.data(), image.bgra.size() * sizeof(std::uint32_t));
    ICONINFO info{TRUE, 0, 0, mask, colour};
    icon = ::CreateIconIndirect(&info);
  }
  // The icon holds copies of both bitmaps.
  if (colour != nullptr) ::DeleteObject(colour);
  if (mask != nullptr) ::DeleteObject(mask);
  return icon;
}

}  // namespace

TrayIcons::TrayIcons() : cache_([this](int size, bool dimmed) { return Make(size, dimmed); }) {}

TrayIcons::~TrayIcons() {
  for (const auto& [key, icon] : cache_.Icons()) {
    if (icon != nullptr) ::DestroyIcon(icon);
  }
}

HICON TrayIcons::Make(int size, bool dimmed) {
  if (!sourceRead_) {
    source_ = ReadProgramIcon();
    sourceRead_ = true;
  }
  if (!source_) return nullptr;
  IconPixels scaled = CropAndScale(*source_, OpaqueBounds(*source_), size);
  return IconFromPixels(dimmed ? Dimmed(std::move(scaled)) : scaled);
}

}  // namespace gui::win32
