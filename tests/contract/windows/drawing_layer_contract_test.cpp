// The drawing layer on the machine's graphics stack: it starts on a window, finds the
// brand's families in the exe's own fonts, survives a 1 x 1 resize, and gives back what
// it took over many release and initialise cycles.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <psapi.h>

#include "gui/win32/drawing_layer.h"

namespace {

// A plain window that is never shown: the swap chain needs one, not a visible one.
class TestWindow {
 public:
  TestWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Veltrane.DrawingLayerTest";
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"test", WS_OVERLAPPEDWINDOW, 0, 0,
                                640, 480, nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~TestWindow() { ::DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// The images come through COM, as on the window thread.
class ComApartment {
 public:
  ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }

 private:
  HRESULT result_;
};

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  ::K32GetProcessMemoryInfo(::GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof(counters));
  // Wine leaves PrivateUsage at zero and reports the same bytes as the page file's use.
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

void DrawOneFrame(gui::win32::DrawingLayer& layer) {
  layer.BeginFrame(gui::palette::kNavy);
  layer.FillRoundedRect({10, 10, 200, 40}, 8, gui::palette::kElectric);
  layer.Text("Veltrane", {10, 10, 200, 40}, gui::TextStyle::kHeading, gui::palette::kCoolWhite,
             gui::Align::kCenter, gui::Align::kCenter);
  layer.DrawImage(gui::Image::kMark, {220, 10, 40, 40}, 1.0f);
  layer.EndFrame();
}

TEST(DrawingLayerContract, StartsWithTheBrandFontsAndSurvivesATinyWindow) {
  ComApartment com;
  TestWindow window;
  ASSERT_NE(window.get(), nullptr);
  gui::win32::DrawingLayer layer;
  ASSERT_TRUE(layer.Initialise(window.get(), 96.0f))
      << std::string(layer.error().begin(), layer.error().end());
  for (const wchar_t* family : {L"Philosopher", L"Bruno Ace SC", L"Gruppo"})
    EXPECT_TRUE(layer.fonts()->Has(family)) << std::wstring(family).size();
  EXPECT_EQ(layer.FamilyOf(gui::TextStyle::kScreenTitle), L"Bruno Ace SC");
  EXPECT_EQ(layer.FamilyOf(gui::TextStyle::kBody), L"Philosopher");
  EXPECT_EQ(layer.FamilyOf(gui::TextStyle::kLabel), L"Gruppo");
  // Every role draws with some family, even where the system lacks Consolas.
  for (int style = 0; style < gui::kTextStyleCount; ++style)
    EXPECT_FALSE(layer.FamilyOf(static_cast<gui::TextStyle>(style)).empty()) << style;
  const gui::TextExtent extent = layer.MeasureText("VELTRANE", gui::TextStyle::kScreenTitle);
  EXPECT_GT(extent.width, 60.0f);
  EXPECT_GT(extent.height, 20.0f);

  layer.Resize(1, 1);
  ASSERT_TRUE(layer.Ready());
  DrawOneFrame(layer);
  layer.Resize(1340, 880);
  ASSERT_TRUE(layer.Ready());
  DrawOneFrame(layer);
  EXPECT_TRUE(layer.Ready());
}

TEST(DrawingLayerContract, FiftyReleaseCyclesKeepPrivateBytesFlat) {
  ComApartment com;
  TestWindow window;
  gui::win32::DrawingLayer layer;
  ASSERT_TRUE(layer.Initialise(window.get(), 96.0f));
  // The first cycles fill the driver's and the runtime's caches.
  for (int i = 0; i < 5; ++i) {
    layer.ReleaseAll();
    ASSERT_TRUE(layer.Initialise(window.get(), 96.0f));
    DrawOneFrame(layer);
  }
  const SIZE_T before = PrivateBytes();
  ASSERT_GT(before, 0u);  // a count of nothing would let any leak through
  for (int i = 0; i < 50; ++i) {
    layer.ReleaseAll();
    ASSERT_TRUE(layer.Initialise(window.get(), 96.0f)) << i;
    DrawOneFrame(layer);
  }
  const SIZE_T after = PrivateBytes();
  // A leaked device, swap chain or image would be megabytes a cycle.
  EXPECT_LT(after, before + 4 * 1024 * 1024) << before << " -> " << after;
}

}  // namespace
