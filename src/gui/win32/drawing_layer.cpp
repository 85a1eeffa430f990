#include "gui/win32/drawing_layer.h"

#include <algorithm>
#include <cmath>

#include "gui/font_choice.h"
#include "gui/win32/graphics_modules.h"

namespace gui::win32 {

namespace {

// Palette brushes in creation order; a lookup takes the first exact match.
constexpr std::array<Color, 8> kPaletteBrushes = {
    palette::kElectric, palette::kElectric,  palette::kBlueprint, palette::kIcy,
    palette::kIcy,      palette::kCoolWhite, palette::kIcy,       palette::kCoral};

D2D1_COLOR_F ToD2d(Color c) { return D2D1::ColorF(c.r, c.g, c.b, c.a); }

D2D1_RECT_F ToD2d(Rect r, Point offset) {
  return D2D1::RectF(r.x + offset.x, r.y + offset.y, r.Right() + offset.x, r.Bottom() + offset.y);
}

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
  if (length > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
  }
  return wide;
}

DWRITE_TEXT_ALIGNMENT HorizontalOf(Align align) {
  switch (align) {
    case Align::kCenter:
      return DWRITE_TEXT_ALIGNMENT_CENTER;
    case Align::kTrailing:
      return DWRITE_TEXT_ALIGNMENT_TRAILING;
    case Align::kLeading:
      break;
  }
  return DWRITE_TEXT_ALIGNMENT_LEADING;
}

DWRITE_PARAGRAPH_ALIGNMENT VerticalOf(Align align) {
  switch (align) {
    case Align::kCenter:
      return DWRITE_PARAGRAPH_ALIGNMENT_CENTER;
    case Align::kTrailing:
      return DWRITE_PARAGRAPH_ALIGNMENT_FAR;
    case Align::kLeading:
      break;
  }
  return DWRITE_PARAGRAPH_ALIGNMENT_NEAR;
}

// The system collection's answers for the font choice.
class SystemFonts {
 public:
  explicit SystemFonts(IDWriteFactory* factory) {
    factory->GetSystemFontCollection(&fonts_, FALSE);
  }
  bool Has(const std::wstring& family) const {
    UINT32 index = 0;
    BOOL exists = FALSE;
    return fonts_ != nullptr &&
           SUCCEEDED(fonts_->FindFamilyName(family.c_str(), &index, &exists)) && exists;
  }
  // The first family the system lists, by its first name.
  std::wstring First() const {
    Microsoft::WRL::ComPtr<IDWriteFontFamily> family;
    Microsoft::WRL::ComPtr<IDWriteLocalizedStrings> names;
    UINT32 length = 0;
    if (fonts_ == nullptr || fonts_->GetFontFamilyCount() == 0 ||
        FAILED(fonts_->GetFontFamily(0, &family)) || FAILED(family->GetFamilyNames(&names)) ||
        FAILED(names->GetStringLength(0, &length))) {
      return {};
    }
    std::wstring name(length + 1, L'\0');
    if (FAILED(names->GetString(0, name.data(), length + 1))) return {};
    name.resize(length);
    return name;
  }

 private:
  Microsoft::WRL::ComPtr<IDWriteFontCollection> fonts_;
};

}  // namespace

DrawingLayer::~DrawingLayer() {
  ReleaseAll();
  // The formats hold the private collection, which holds the loaders: formats go first.
  for (auto& format : formats_) format.Reset();
  fonts_.reset();
}

bool DrawingLayer::Initialise(HWND window, float dpi) {
  ReleaseAll();
  window_ = window;
  dpi_ = dpi;
  error_.clear();
  if (!Graphics().Complete()) {
    error_ = L"the system's Direct3D 11, Direct2D or DirectWrite library is missing";
    return false;
  }
  if (!CreateDevice() || !CreateSwapChain(window)) return false;

  if (d2d_factory_ == nullptr) {
    D2D1_FACTORY_OPTIONS options{};
    if (FAILED(Graphics().createD2dFactory(
            D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory1), &options,
            reinterpret_cast<void**>(d2d_factory_.GetAddressOf())))) {
      error_ = L"no Direct2D 1.1 factory";
      return false;
    }
  }
  if (FAILED(d2d_factory_->CreateDevice(dxgi_device_.Get(), &d2d_device_)) ||
      FAILED(d2d_device_->CreateDeviceContext(D2D1_DEVICE_CONTEXT_OPTIONS_NONE, &context_))) {
    error_ = L"no Direct2D device context";
    ReleaseAll();
    return false;
  }
  context_->SetDpi(dpi_, dpi_);
  context_->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_CLEARTYPE);
  if (!CreateTarget()) {
    ReleaseAll();
    return false;
  }
  CreateTextResources();
  CreateBrushes();
  images_.Load(context_.Get());
  return true;
}

bool DrawingLayer::CreateDevice() {
  const D3D_FEATURE_LEVEL levels[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_11_0,
                                      D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0,
                                      D3D_FEATURE_LEVEL_9_3};
  const UINT flags = D3D11_CREATE_DEVICE_BGRA_SUPPORT;
  for (const D3D_DRIVER_TYPE driver : {D3D_DRIVER_TYPE_HARDWARE, D3D_DRIVER_TYPE_WARP}) {
    HRESULT hr = Graphics().createDevice(nullptr, driver, nullptr, flags, levels, 5,
                                         D3D11_SDK_VERSION, &device_, nullptr, &immediate_);
    // Runtimes before 11.1 refuse the list that names 11.1; they take the rest.
    if (hr == E_INVALIDARG) {
      hr = Graphics().createDevice(nullptr, driver, nullptr, flags, levels + 1, 4,
                                   D3D11_SDK_VERSION, &device_, nullptr, &immediate_);
    }
    if (SUCCEEDED(hr)) {
      software_ = driver == D3D_DRIVER_TYPE_WARP;
      break;
    }
  }
  if (device_ == nullptr || FAILED(device_.As(&dxgi_device_))) {
    error_ = L"no Direct3D 11 device, neither on the graphics card nor in software";
    ReleaseAll();
    return false;
  }
  dxgi_device_->SetMaximumFrameLatency(1);
  return true;
}

bool DrawingLayer::CreateSwapChain(HWND window) {
  Ptr<IDXGIAdapter> adapter;
  Ptr<IDXGIFactory2> factory;
  if (FAILED(dxgi_device_->GetAdapter(&adapter)) ||
      FAILED(adapter->GetParent(IID_PPV_ARGS(&factory)))) {
    error_ = L"no DXGI factory for the device";
    ReleaseAll();
    return false;
  }
  RECT client{};
  ::GetClientRect(window, &client);
  DXGI_SWAP_CHAIN_DESC1 desc{};
  desc.Width = static_cast<UINT>(std::max<LONG>(client.right - client.left, 1));
  desc.Height = static_cast<UINT>(std::max<LONG>(client.bottom - client.top, 1));
  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  desc.SampleDesc.Count = 1;
  desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  desc.BufferCount = 2;
  desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_SEQUENTIAL;
  desc.AlphaMode = DXGI_ALPHA_MODE_IGNORE;
  desc.Scaling = DXGI_SCALING_NONE;
  HRESULT hr =
      factory->CreateSwapChainForHwnd(device_.Get(), window, &desc, nullptr, nullptr, &swap_chain_);
  if (FAILED(hr)) {
    desc.Scaling = DXGI_SCALING_STRETCH;
    hr = factory->CreateSwapChainForHwnd(device_.Get(), window, &desc, nullptr, nullptr,
                                         &swap_chain_);
  }
  if (FAILED(hr)) {
    error_ = L"no swap chain for the window";
    ReleaseAll();
    return false;
  }
  factory->MakeWindowAssociation(window, DXGI_MWA_NO_ALT_ENTER);
  return true;
}

bool DrawingLayer::CreateTarget() {
  Ptr<IDXGISurface> surface;
  const D2D1_BITMAP_PROPERTIES1 properties = D2D1::BitmapProperties1(
      D2D1_BITMAP_OPTIONS_TARGET | D2D1_BITMAP_OPTIONS_CANNOT_DRAW,
      D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), dpi_, dpi_);
  if (FAILED(swap_chain_->GetBuffer(0, IID_PPV_ARGS(&surface))) ||
      FAILED(context_->CreateBitmapFromDxgiSurface(surface.Get(), &properties, &target_))) {
    error_ = L"no drawing target on the swap chain";
    target_.Reset();
    return false;
  }
  context_->SetTarget(target_.Get());
  return true;
}

void DrawingLayer::CreateTextResources() {
  if (dwrite_ == nullptr) {
    if (FAILED(
            Graphics().createDWriteFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                                           reinterpret_cast<IUnknown**>(dwrite_.GetAddressOf()))))
      return;
    fonts_ = std::make_unique<PrivateFonts>(dwrite_.Get());
  }
  const SystemFonts system(dwrite_.Get());
  for (int i = 0; i < kTextStyleCount; ++i) {
    if (formats_[i] != nullptr) continue;
    const TextFormatSpec& spec = kTextFormats[i];
    const FontChoice choice = ChooseFont(
        Widen(spec.family), [&](const std::wstring& f) { return fonts_->Has(f.c_str()); },
        [&](const std::wstring& f) { return system.Has(f); }, system.First());
    const std::wstring note =
        L"Font " + Widen(spec.family) + L" is not available; text uses " + choice.family + L".";
    if (choice.fellBack &&
        std::find(font_notes_.begin(), font_notes_.end(), note) == font_notes_.end()) {
      font_notes_.push_back(note);
    }
    IDWriteFontCollection* collection =
        choice.source == FontSource::kPrivate ? fonts_->collection() : nullptr;
    const HRESULT hr = dwrite_->CreateTextFormat(
        choice.family.c_str(), collection, static_cast<DWRITE_FONT_WEIGHT>(spec.weight),
        DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL, spec.size, L"en-us", &formats_[i]);
    if (FAILED(hr)) continue;  // absent: its text is not drawn
    families_[i] = choice.family;
    if (!spec.wraps) {
      formats_[i]->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
      const DWRITE_TRIMMING trimming{DWRITE_TRIMMING_GRANULARITY_CHARACTER, 0, 0};
      Ptr<IDWriteInlineObject> ellipsis;
      if (SUCCEEDED(dwrite_->CreateEllipsisTrimmingSign(formats_[i].Get(), &ellipsis)))
        formats_[i]->SetTrimming(&trimming, ellipsis.Get());
    }
  }
}

void DrawingLayer::CreateBrushes() {
  context_->CreateSolidColorBrush(ToD2d(palette::kCoolWhite), &general_);
  for (size_t i = 0; i < kPaletteBrushes.size(); ++i)
    context_->CreateSolidColorBrush(ToD2d(kPaletteBrushes[i]), &palette_[i]);
  const D2D1_GRADIENT_STOP stops[] = {{0.0f, ToD2d(palette::kElectric)},
                                      {1.0f, ToD2d(palette::kIcy)}};
  Ptr<ID2D1GradientStopCollection> collection;
  if (SUCCEEDED(context_->CreateGradientStopCollection(stops, 2, &collection))) {
    for (auto& gradient : gradients_) {
      context_->CreateLinearGradientBrush(
          D2D1::LinearGradientBrushProperties(D2D1::Point2F(0, 0), D2D1::Point2F(1, 0)),
          collection.Get(), &gradient);
    }
  }
  const D2D1_STROKE_STYLE_PROPERTIES1 solid{D2D1_CAP_STYLE_ROUND,
                                            D2D1_CAP_STYLE_ROUND,
                                            D2D1_CAP_STYLE_ROUND,
                                            D2D1_LINE_JOIN_ROUND,
                                            10.0f,
                                            D2D1_DASH_STYLE_SOLID,
                                            0.0f,
                                            D2D1_STROKE_TRANSFORM_TYPE_NORMAL};
  D2D1_STROKE_STYLE_PROPERTIES1 dashed = solid;
  dashed.startCap = dashed.endCap = dashed.dashCap = D2D1_CAP_STYLE_FLAT;
  dashed.lineJoin = D2D1_LINE_JOIN_MITER;
  dashed.dashStyle = D2D1_DASH_STYLE_DASH;
  D2D1_STROKE_STYLE_PROPERTIES1 dotted = solid;
  dotted.dashStyle = D2D1_DASH_STYLE_DOT;
  d2d_factory_->CreateStrokeStyle(solid, nullptr, 0, &strokes_[0]);
  d2d_factory_->CreateStrokeStyle(dashed, nullptr, 0, &strokes_[1]);
  d2d_factory_->CreateStrokeStyle(dotted, nullptr, 0, &strokes_[2]);
}

void DrawingLayer::Resize(UINT width, UINT height) {
  if (swap_chain_ == nullptr || context_ == nullptr) return;
  // The swap chain refuses to resize while its buffers are still referenced.
  context_->SetTarget(nullptr);
  target_.Reset();
  if (FAILED(swap_chain_->ResizeBuffers(0, std::max(width, 1u), std::max(height, 1u),
                                        DXGI_FORMAT_UNKNOWN, 0)) ||
      !CreateTarget()) {
    ReleaseAll();
  }
}

void DrawingLayer::SetDpi(float dpi) {
  dpi_ = dpi;
  if (context_ != nullptr) context_->SetDpi(dpi, dpi);
}

void DrawingLayer::BeginFrame(Color clear) {
  context_->BeginDraw();
  context_->SetTransform(D2D1::Matrix3x2F::Identity());
  offset_ = {};
  opacity_ = 1.0f;
  context_->Clear(ToD2d(clear));
}

void DrawingLayer::EndFrame() {
  lattices_.EndFrame();
  HRESULT hr = context_->EndDraw();
  if (SUCCEEDED(hr)) hr = swap_chain_->Present(1, 0);
  if (hr == static_cast<HRESULT>(D2DERR_RECREATE_TARGET) || hr == DXGI_ERROR_DEVICE_REMOVED ||
      hr == DXGI_ERROR_DEVICE_RESET) {
    ReleaseAll();
  }
}

void DrawingLayer::ReleaseAll() {
  images_.Release();
  lattices_.Release();
  for (auto& stroke : strokes_) stroke.Reset();
  for (auto& gradient : gradients_) gradient.Reset();
  for (auto& brush : palette_) brush.Reset();
  general_.Reset();
  if (context_ != nullptr) context_->SetTarget(nullptr);
  target_.Reset();
  context_.Reset();
  d2d_device_.Reset();
  swap_chain_.Reset();
  dxgi_device_.Reset();
  if (immediate_ != nullptr) {
    immediate_->ClearState();
    immediate_->Flush();
  }
  immediate_.Reset();
  device_.Reset();
}

std::wstring DrawingLayer::FamilyOf(TextStyle style) const {
  return families_[static_cast<int>(style)];
}

ID2D1Brush* DrawingLayer::BrushFor(Color color) {
  for (size_t i = 0; i < kPaletteBrushes.size(); ++i) {
    if (color == kPaletteBrushes[i] && palette_[i] != nullptr) {
      palette_[i]->SetOpacity(opacity_);
      return palette_[i].Get();
    }
  }
  color.a *= opacity_;
  general_->SetColor(ToD2d(color));
  return general_.Get();
}

void DrawingLayer::FillRect(Rect rect, Color color) {
  context_->FillRectangle(ToD2d(rect, offset_), BrushFor(color));
}

void DrawingLayer::FillRoundedRect(Rect rect, float radius, Color color) {
  context_->FillRoundedRectangle(D2D1::RoundedRect(ToD2d(rect, offset_), radius, radius),
                                 BrushFor(color));
}

void DrawingLayer::OutlineRoundedRect(Rect rect, float radius, Color color, float width) {
  context_->DrawRoundedRectangle(D2D1::RoundedRect(ToD2d(rect, offset_), radius, radius),
                                 BrushFor(color), width);
}

void DrawingLayer::Line(Point from, Point to, Color color, float width, float opacity,
                        Stroke stroke) {
  color.a *= std::clamp(opacity, 0.0f, 1.0f);
  ID2D1Brush* brush = BrushFor(color);
  // A palette brush carries no alpha of its own: the line's opacity goes on the brush.
  if (brush != general_.Get()) brush->SetOpacity(opacity_ * std::clamp(opacity, 0.0f, 1.0f));
  context_->DrawLine(D2D1::Point2F(from.x + offset_.x, from.y + offset_.y),
                     D2D1::Point2F(to.x + offset_.x, to.y + offset_.y), brush, width,
                     strokes_[static_cast<int>(stroke)].Get());
}

namespace {

// A path through `points`, closed or open, moved by `offset`.
Microsoft::WRL::ComPtr<ID2D1PathGeometry> PathOf(ID2D1Factory1* factory,
                                                 std::span<const Point> points, Point offset,
                                                 bool closed, const Point* close_to = nullptr) {
  Microsoft::WRL::ComPtr<ID2D1PathGeometry> path;
  Microsoft::WRL::ComPtr<ID2D1GeometrySink> sink;
  if (points.size() < 2 || FAILED(factory->CreatePathGeometry(&path)) ||
      FAILED(path->Open(&sink))) {
    return nullptr;
  }
  sink->BeginFigure(D2D1::Point2F(points[0].x + offset.x, points[0].y + offset.y),
                    closed ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW);
  for (size_t i = 1; i < points.size(); ++i)
    sink->AddLine(D2D1::Point2F(points[i].x + offset.x, points[i].y + offset.y));
  if (close_to != nullptr) {
    sink->AddLine(D2D1::Point2F(points.back().x + offset.x, close_to->y + offset.y));
    sink->AddLine(D2D1::Point2F(points.front().x + offset.x, close_to->y + offset.y));
  }
  sink->EndFigure(closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
  if (FAILED(sink->Close())) return nullptr;
  return path;
}

}  // namespace

void DrawingLayer::Polyline(std::span<const Point> points, Color color, float width) {
  if (auto path = PathOf(d2d_factory_.Get(), points, offset_, false))
    context_->DrawGeometry(path.Get(), BrushFor(color), width, strokes_[0].Get());
}

void DrawingLayer::FillPolygon(std::span<const Point> points, Color color) {
  if (auto path = PathOf(d2d_factory_.Get(), points, offset_, true))
    context_->FillGeometry(path.Get(), BrushFor(color));
}

void DrawingLayer::FillArea(std::span<const Point> curve, float baseline, Color color) {
  const Point base{0, baseline};
  if (auto path = PathOf(d2d_factory_.Get(), curve, offset_, true, &base))
    context_->FillGeometry(path.Get(), BrushFor(color));
}

void DrawingLayer::FillGradient(Rect rect, Gradient gradient, float opacity) {
  auto& brush = gradients_[static_cast<int>(gradient)];
  if (brush == nullptr) return;
  // Shared brushes: the end points belong to this use only.
  const D2D1_RECT_F box = ToD2d(rect, offset_);
  brush->SetStartPoint(D2D1::Point2F(box.left, box.top));
  brush->SetEndPoint(D2D1::Point2F(box.right, box.top));
  brush->SetOpacity(std::clamp(opacity, 0.0f, 1.0f) * opacity_);
  context_->FillRectangle(box, brush.Get());
}

void DrawingLayer::Text(std::string_view text, Rect rect, TextStyle style, Color color,
                        Align horizontal, Align vertical) {
  IDWriteTextFormat* format = formats_[static_cast<int>(style)].Get();
  if (format == nullptr || text.empty()) return;
  format->SetTextAlignment(HorizontalOf(horizontal));
  format->SetParagraphAlignment(VerticalOf(vertical));
  const std::wstring wide = Widen(text);
  context_->DrawText(wide.c_str(), static_cast<UINT32>(wide.size()), format, ToD2d(rect, offset_),
                     BrushFor(color), D2D1_DRAW_TEXT_OPTIONS_CLIP);
}

TextExtent DrawingLayer::MeasureText(std::string_view text, TextStyle style) {
  IDWriteTextFormat* format = formats_[static_cast<int>(style)].Get();
  if (format == nullptr || dwrite_ == nullptr) return {};
  format->SetTextAlignment(DWRITE_TEXT_ALIGNMENT_LEADING);
  format->SetParagraphAlignment(DWRITE_PARAGRAPH_ALIGNMENT_NEAR);
  const std::wstring wide = Widen(text);
  Ptr<IDWriteTextLayout> layout;
  DWRITE_TEXT_METRICS metrics{};
  if (FAILED(dwrite_->CreateTextLayout(wide.c_str(), static_cast<UINT32>(wide.size()), format,
                                       10000.0f, 100.0f, &layout)) ||
      FAILED(layout->GetMetrics(&metrics))) {
    return {};
  }
  return {metrics.widthIncludingTrailingWhitespace, metrics.height};
}

void DrawingLayer::DrawImage(Image image, Rect rect, float opacity) {
  ID2D1Bitmap* bitmap = images_.Get(image);
  if (bitmap == nullptr) return;
  context_->DrawBitmap(bitmap, ToD2d(rect, offset_), std::clamp(opacity, 0.0f, 1.0f) * opacity_,
                       D2D1_INTERPOLATION_MODE_LINEAR, nullptr);
}

void DrawingLayer::RenderLattice(int source, const ChartSnapshot& picture, std::uint64_t version,
                                 float seconds) {
  if (Ready()) lattices_.Render(device_.Get(), immediate_.Get(), source, picture, version, seconds);
}

bool DrawingLayer::DrawLattice(int source, Rect rect, float opacity) {
  return lattices_.Draw(device_.Get(), context_.Get(), source, ToD2d(rect, offset_),
                        std::clamp(opacity, 0.0f, 1.0f) * opacity_);
}

void DrawingLayer::PushClip(Rect rect) {
  context_->PushAxisAlignedClip(ToD2d(rect, offset_), D2D1_ANTIALIAS_MODE_PER_PRIMITIVE);
}

void DrawingLayer::PopClip() { context_->PopAxisAlignedClip(); }

void DrawingLayer::SetOffset(Point offset) { offset_ = offset; }

}  // namespace gui::win32
