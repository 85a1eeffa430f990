#!/usr/bin/env bash
# Draws the brand images of resources/images/ with ImageMagick from the brand fonts and
# palette: MARK (the emblem, a lattice diamond), BRAND (the word mark) and LOGO (both).
# Run by hand when the look changes; the build reads the committed PNGs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/resources/images"
fonts="$root/resources/fonts"
mkdir -p "$out"

electric='#347BFF'
icy='#8DB8FF'
white='#F4F7FF'
blueprint='#123A91'

# The emblem: a diamond of nested outlines with a bright core, 256 x 256 on transparency.
convert -size 256x256 xc:none -strokewidth 10 -fill none \
  -stroke "$electric" -draw "polygon 128,14 242,128 128,242 14,128" \
  -stroke "$icy" -strokewidth 6 -draw "polygon 128,56 200,128 128,200 56,128" \
  -stroke none -fill "$blueprint" -draw "polygon 128,92 164,128 128,164 92,128" \
  -fill "$white" -draw "circle 128,128 128,112" \
  "PNG32:$out/mark.png"

# The word mark in the title face, Cool White on transparency.
convert -background none -fill "$white" -font "$fonts/BrunoAceSC-Regular.ttf" -pointsize 72 \
  label:VELTRANE -trim +repage "PNG32:$out/brand.png"

# The full logo: the emblem beside the word mark.
convert "$out/mark.png" -resize 160x160 \( "$out/brand.png" -resize x72 \) \
  -background none -gravity center +smush 28 +repage "PNG32:$out/logo.png"
identify "$out"/*.png
