#!/usr/bin/env bash
# Draws the program icon (a ring with one clock tick and a hand, on a dark rounded
# tile) at the sizes Windows asks for, and packs them into resources/veltrane.ico.
# Needs ImageMagick's convert; the .ico is committed, so builds never run this.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Every size is drawn on a 4x canvas from the same 256-unit geometry and scaled down,
# so the edges stay smooth; the stroke gets heavier at small sizes to stay legible.
draw() {
  local size=$1 stroke=$2
  local s=$((size * 4))
  local k
  k=$(awk -v s="$s" 'BEGIN { printf "%.4f", s / 256 }')
  at() { awk -v k="$k" -v v="$1" 'BEGIN { printf "%.1f", v * k }'; }
  local w
  w=$(at "$stroke")
  convert -size "${s}x${s}" xc:none \
    -fill '#14202b' -stroke none \
    -draw "roundrectangle $(at 8),$(at 8) $(at 248),$(at 248) $(at 44),$(at 44)" \
    -fill none -stroke '#2ec4b6' -strokewidth "$w" \
    -draw "circle $(at 128),$(at 128) $(at 128),$(at 40)" \
    -stroke '#f4f1de' -draw "line $(at 128),$(at 62) $(at 128),$(at 88)" \
    -draw "line $(at 128),$(at 128) $(at 168),$(at 104)" \
    -fill '#f4f1de' -stroke none \
    -draw "circle $(at 128),$(at 128) $(at 128),$(at $((128 - stroke * 3 / 4)))" \
    -resize "${size}x${size}" -depth 8 "PNG32:$work/icon-$size.png"
}

draw 16 34
draw 32 26
draw 48 22
draw 256 16

convert "$work/icon-16.png" "$work/icon-32.png" "$work/icon-48.png" "$work/icon-256.png" -depth 8 \
  "$root/resources/veltrane.ico"
echo "wrote $root/resources/veltrane.ico"
