#!/usr/bin/env bash
# Draws the panel's own artwork with ImageMagick. The PNGs are committed;
# run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons

# 197: application icon, a 2x2 video wall in a frame.
convert -size 32x32 xc:none \
  -fill '#2d3e50' -draw 'roundrectangle 1,3 30,28 4,4' \
  -fill '#4fc3f7' -draw 'rectangle 5,7 14,15' -draw 'rectangle 17,7 26,15' \
  -fill '#29b6f6' -draw 'rectangle 5,17 14,24' -draw 'rectangle 17,17 26,24' \
  icons/icon_197.png
