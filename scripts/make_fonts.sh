#!/usr/bin/env bash
# Makes resources/fonts/: the brand's four font files as TTF, with their licence. Run once
# by hand when the fonts change; the build reads the committed files and needs no network.
# Needs npm (the public registry's font packages) and woff2_decompress (Debian's woff2).
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/resources/fonts"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# package, file inside its files/ folder, name in resources/fonts
fonts=(
  "@fontsource/philosopher philosopher-latin-400-normal Philosopher-Regular"
  "@fontsource/philosopher philosopher-latin-700-normal Philosopher-Bold"
  "@fontsource/bruno-ace-sc bruno-ace-sc-latin-400-normal BrunoAceSC-Regular"
  "@fontsource/gruppo gruppo-latin-400-normal Gruppo-Regular"
)

mkdir -p "$out"
for entry in "${fonts[@]}"; do
  read -r package file name <<<"$entry"
  folder="$work/${package//\//_}"
  if [ ! -d "$folder" ]; then
    mkdir -p "$folder"
    (cd "$folder" && npm pack --silent "$package" >/dev/null && tar xzf ./*.tgz)
    cp "$folder/package/LICENSE" "$out/OFL-$(basename "$package").txt"
  fi
  cp "$folder/package/files/$file.woff2" "$work/$name.woff2"
  woff2_decompress "$work/$name.woff2"
  mv "$work/$name.ttf" "$out/$name.ttf"
done
ls -l "$out"
