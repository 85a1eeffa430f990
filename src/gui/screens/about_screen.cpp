#include "gui/screens/about_screen.h"

#include <array>

#include "gui/theme.h"
#include "support/utf.h"

namespace gui::screens {
namespace {

using namespace gui::palette;

// Only the publisher's own pages for this program: the credit is the program's, and the
// background of the CPU step is explained in its own documentation.
constexpr std::array<AboutLink, 2> kLinks = {{
    {"Veltrane, written and published by Orvandel", L"https://orvandel.com/veltrane"},
    {"Processor-power research used by the CPU step",
     L"https://orvandel.com/veltrane/docs/processor-power"},
}};

constexpr float kLineHeight = 28;

}  // namespace

std::span<const AboutLink> AboutLinks() { return kLinks; }

void DrawAboutScreen(Canvas& canvas, Rect content, const std::wstring& version,
                     InputRouter& router) {
  float y = content.y;
  canvas.Text("VELTRANE", {content.x, y, content.width, 40}, TextStyle::kBanner, kCoolWhite);
  y += 44;
  canvas.Text("Orvandel publishes Veltrane.", {content.x, y, content.width, 24}, TextStyle::kLead,
              kIcy);
  y += kLineHeight;
  canvas.Text("Written by the Orvandel team. Version " + support::ToUtf8(version) + ".",
              {content.x, y, content.width, 22}, TextStyle::kBody, kIcy);
  y += kLineHeight * 1.5f;
  canvas.Text("Links", {content.x, y, content.width, 24}, TextStyle::kSectionTitle, kCoolWhite);
  y += kLineHeight;
  for (std::size_t i = 0; i < kLinks.size(); ++i) {
    canvas.Text(kLinks[i].caption, {content.x, y, content.width, 22}, TextStyle::kLabel,
                kCoolWhite);
    const Rect link{content.x, y + 22, content.width, 22};
    canvas.Text(support::ToUtf8(kLinks[i].target), link, TextStyle::kSmall, kElectric);
    router.Add(kAboutLinkControl + static_cast<int>(i), link);
    y += kLineHeight * 2;
  }
}

std::wstring AboutLinkTarget(int id) {
  const int index = id - kAboutLinkControl;
  if (index < 0 || static_cast<std::size_t>(index) >= kLinks.size()) return L"";
  return kLinks[static_cast<std::size_t>(index)].target;
}

}  // namespace gui::screens
