#!/usr/bin/env bash
# Draws the icons of the skinned buttons with ImageMagick: 32 x 32 PNGs with
# dark outlines, so they read on the pages' grey. The PNGs are committed; run
# this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons
CONVERT=${CONVERT:-convert}

draw() {  # draw ID DRAW-ARGS...
  local id=$1
  shift
  "$CONVERT" -size 32x32 xc:none -strokewidth 1.5 "$@" -strip "PNG32:icons/icon_${id}.png"
}

# 172: a lit indicator, a green disc with a glint.
draw 172 -fill '#1faa2e' -stroke '#0b4a12' -draw 'circle 16,16 16,3' \
  -stroke none -fill '#b9f5c0' -draw 'circle 12,11 12,8'
# 173: an unlit indicator, a grey disc.
draw 173 -fill '#8a8f94' -stroke '#3b3f43' -draw 'circle 16,16 16,3' \
  -stroke none -fill '#c9cdd1' -draw 'circle 12,11 12,8'
# 217: load, a green arrow down onto a tray.
draw 217 -fill '#2e9e3a' -stroke '#134d1a' \
  -draw 'polygon 12,3 20,3 20,13 26,13 16,23 6,13 12,13' \
  -fill '#5b6670' -stroke '#2a3036' -draw 'rectangle 4,25 28,29'
# 218: unload, a red arrow up off a tray.
draw 218 -fill '#c9362b' -stroke '#5e1510' \
  -draw 'polygon 16,3 26,13 20,13 20,23 12,23 12,13 6,13' \
  -fill '#5b6670' -stroke '#2a3036' -draw 'rectangle 4,25 28,29'
# 219: refresh, a blue circular arrow.
draw 219 -fill none -stroke '#1d5fb0' -strokewidth 4 -draw 'arc 5,5 27,27 -40,230' \
  -fill '#1d5fb0' -stroke '#0e2f58' -strokewidth 1 -draw 'polygon 24,2 28,14 16,11'
# 221: identify monitors, two numbered screens.
draw 221 -fill '#24313d' -stroke '#0d1319' \
  -draw 'rectangle 2,7 15,19' -draw 'rectangle 17,7 30,19' \
  -fill '#7cc4f2' -stroke none -draw 'rectangle 4,9 13,17' -draw 'rectangle 19,9 28,17' \
  -fill '#24313d' -draw 'rectangle 8,11 9,15' -draw 'rectangle 22,11 25,11' -draw 'rectangle 24,12 25,13' \
  -draw 'rectangle 22,14 23,15' -draw 'rectangle 22,15 25,15' \
  -fill '#5b6670' -stroke '#2a3036' -draw 'rectangle 7,21 10,24' -draw 'rectangle 22,21 25,24' \
  -draw 'rectangle 4,25 13,27' -draw 'rectangle 19,25 28,27'
# 222: factory reset, an orange arrow turning back on itself.
draw 222 -fill none -stroke '#d9731a' -strokewidth 4 -draw 'arc 5,5 27,27 -130,140' \
  -fill '#d9731a' -stroke '#6b3608' -strokewidth 1 -draw 'polygon 2,6 14,4 8,16'
# 223: auto adjust, a purple cross-hair with arrows closing in.
draw 223 -fill none -stroke '#6a3fb0' -strokewidth 2.5 -draw 'circle 16,16 16,7' \
  -draw 'line 16,2 16,11' -draw 'line 16,21 16,30' -draw 'line 2,16 11,16' -draw 'line 21,16 30,16' \
  -fill '#6a3fb0' -stroke none -draw 'circle 16,16 16,13'
# 224: calculate, a calculator with a green display.
draw 224 -fill '#4a5560' -stroke '#1e2329' -draw 'roundrectangle 6,2 26,30 3,3' \
  -fill '#9be39b' -stroke '#1e2329' -strokewidth 1 -draw 'rectangle 9,5 23,11' \
  -fill '#e8e8e8' -stroke none \
  -draw 'rectangle 9,14 12,17' -draw 'rectangle 14,14 17,17' -draw 'rectangle 19,14 23,17' \
  -draw 'rectangle 9,19 12,22' -draw 'rectangle 14,19 17,22' -draw 'rectangle 19,19 23,22' \
  -draw 'rectangle 9,24 12,27' -draw 'rectangle 14,24 17,27' -fill '#f0a030' -draw 'rectangle 19,24 23,27'
