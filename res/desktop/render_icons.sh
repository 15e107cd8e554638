#!/usr/bin/env bash
# Renders the desktop icon, lumivex.svg, at each hicolor size into
# hicolor/NxN/apps/lumivex.png. The PNGs are committed, so a build needs no
# SVG renderer; run this again only after changing the SVG.
# Uses rsvg-convert (Debian: librsvg2-bin), else ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
SIZES=(16 22 24 32 48 64 128 256)

render() {  # render SIZE OUT
  if command -v rsvg-convert >/dev/null; then
    rsvg-convert --width "$1" --height "$1" --format png lumivex.svg --output "$2"
  else
    # The SVG is 64 units wide; 96 dpi draws it at 64 pixels.
    convert -background none -density "$((96 * $1 / 64))" lumivex.svg -resize "$1x$1" -strip "PNG32:$2"
  fi
}

for size in "${SIZES[@]}"; do
  dir=hicolor/${size}x${size}/apps
  mkdir -p "$dir"
  render "$size" "$dir/lumivex.png"
done
