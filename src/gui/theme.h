// The brand's look as data: the palette, the fifteen text roles with their families and
// sizes, the stroke styles and the images. The Win32 drawing layer builds its brushes and
// text formats from these tables; the recording canvas measures text from them, so layout
// tests see the same sizes the window draws.
#pragma once

#include <array>
#include <string_view>

namespace gui {

struct Color {
  float r = 0, g = 0, b = 0, a = 1;
  friend bool operator==(const Color&, const Color&) = default;
};

constexpr Color Rgb(unsigned rgb, float alpha = 1.0f) {
  return Color{static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
               static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
               static_cast<float>(rgb & 0xFF) / 255.0f, alpha};
}

namespace palette {
inline constexpr Color kCoolWhite = Rgb(0xF4F7FF);  // primary text, highlights
inline constexpr Color kElectric = Rgb(0x347BFF);   // accent, active elements
inline constexpr Color kBlueprint = Rgb(0x123A91);  // dark accent, fills
inline constexpr Color kIcy = Rgb(0x8DB8FF);        // secondary accent and text
inline constexpr Color kNavy = Rgb(0x071638);       // window ground, caption, border
inline constexpr Color kSteel = Rgb(0x4D72B8);      // muted lines, inactive elements
inline constexpr Color kCoral = Rgb(0xFF8A9A);      // failure and attention
}  // namespace palette

// A colour with its alpha scaled, for fades and translucent fills.
constexpr Color WithAlpha(Color c, float alpha) {
  c.a = alpha;
  return c;
}

enum class TextStyle {
  kScreenTitle,
  kHeading,
  kLabel,
  kSmall,
  kTiny,
  kCaption,
  kBody,
  kNumbers,
  kSmallNumbers,
  kLargeNumbers,
  kHeroValue,
  kButton,
  kSectionTitle,
  kBanner,
  kLead,
};
inline constexpr int kTextStyleCount = 15;

struct TextFormatSpec {
  std::string_view family;
  int weight;
  float size;  // DIPs
  bool wraps;
};

// Indexed by TextStyle.
inline constexpr std::array<TextFormatSpec, kTextStyleCount> kTextFormats = {{
    {"Bruno Ace SC", 400, 26.0f, false},  // screen title
    {"Philosopher", 700, 16.0f, false},   // heading
    {"Gruppo", 400, 12.0f, false},        // label
    {"Philosopher", 400, 12.0f, false},   // small text
    {"Philosopher", 400, 8.0f, false},    // tiny text
    {"Gruppo", 400, 13.0f, false},        // caption
    {"Philosopher", 400, 13.5f, true},    // body
    {"Consolas", 400, 12.5f, false},      // numbers
    {"Consolas", 400, 10.5f, false},      // small numbers
    {"Consolas", 700, 15.0f, false},      // large numbers
    {"Bruno Ace SC", 400, 40.0f, false},  // hero value
    {"Philosopher", 700, 13.5f, false},   // button
    {"Philosopher", 700, 16.0f, false},   // section title
    {"Philosopher", 700, 22.0f, true},    // banner
    {"Philosopher", 400, 16.0f, true},    // lead text
}};

constexpr const TextFormatSpec& FormatOf(TextStyle style) {
  return kTextFormats[static_cast<int>(style)];
}

enum class Align { kLeading, kCenter, kTrailing };

enum class Stroke {
  kSolid,   // rounded caps and joins
  kDashed,  // flat caps, miter joins
  kDotted,  // rounded caps and joins
};

enum class Image { kLogo, kMark, kBrand };

// The three gradient brushes all run from Electric to Icy; screens pick one by use so a
// fill in one place never moves another's end points.
enum class Gradient { kHeader, kProgress, kAccent };

}  // namespace gui
