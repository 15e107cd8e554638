#!/usr/bin/env bash
# Draws the panel's own artwork with ImageMagick. The PNGs are committed;
# run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p icons bitmaps cursors

# 197: application icon, a 2x2 video wall in a frame.
convert -size 32x32 xc:none \
  -fill '#2d3e50' -draw 'roundrectangle 1,3 30,28 4,4' \
  -fill '#4fc3f7' -draw 'rectangle 5,7 14,15' -draw 'rectangle 17,7 26,15' \
  -fill '#29b6f6' -draw 'rectangle 5,17 14,24' -draw 'rectangle 17,17 26,24' \
  icons/icon_197.png

# The desktop menu's icon is drawn as an SVG: desktop/lumivex.svg, rendered
# by desktop/render_icons.sh.

# 215: page background, a pale steel gradient with faint diagonal hairlines.
# It is tiled behind black text, so it stays light; the gradient is mirrored
# and the hairlines repeat every 10 px (590 and 450 are multiples), so tiles
# meet without a seam. Rows are stored with the Sub filter, which decodes
# in half the time of the adaptive one: the first page decodes it before
# the window first shows.
convert \( -size 590x225 gradient:'#dde3ea-#eef1f5' \) \( +clone -flip \) -append \
  \( -size 10x10 xc:none -fill '#5a6b80' -draw 'line 0,9 9,0' \
     -channel A -evaluate multiply 0.06 +channel -write mpr:hairline +delete \
     -size 590x450 xc:none -tile mpr:hairline -draw 'color 0,0 reset' \) \
  -composite -strip -type TrueColor \
  -define png:compression-filter=1 -define png:compression-level=9 PNG24:bitmaps/bitmap_215.png

# 216: About page banner, the wall mark of icon 197 beside the maker's name.
convert \( -size 75x350 gradient:'#3a5068-#243341' -rotate 90 \) \
  -fill '#29b6f6' -draw 'rectangle 0,72 349,74' \
  -fill '#1b2733' -stroke '#5b7590' -strokewidth 1 -draw 'roundrectangle 14,12 76,62 6,6' -stroke none \
  -fill '#4fc3f7' -draw 'rectangle 21,18 43,35' -draw 'rectangle 47,18 69,35' \
  -fill '#29b6f6' -draw 'rectangle 21,39 43,56' -draw 'rectangle 47,39 69,56' \
  -font DejaVu-Sans-Bold -pointsize 36 -fill white -annotate +92+44 'ZEPTA' \
  -font DejaVu-Sans -pointsize 12 -fill '#b3e5fc' -annotate +94+62 'Lumivex  -  video-wall controllers' \
  -strip -type TrueColor PNG24:bitmaps/bitmap_216.png

# 170: link cursor, a white hand pointing up; its hot spot is 11,1 (the
# fingertip). The outline is grown from the filled shape so it stays one
# pixel wide; the short lines part the curled fingers.
hand='roundrectangle 9,2 13,20 2,2
roundrectangle 15,10 18,20 2,2
roundrectangle 20,12 23,21 2,2
roundrectangle 25,14 27,22 1,1
roundrectangle 9,17 27,26 4,4
rectangle 11,22 25,29
polygon 10,19 5,14 3,14 2,16 2,18 9,25'
convert -size 32x32 xc:none +antialias -fill white -draw "$hand" \
  \( +clone -alpha extract -morphology dilate diamond:1 -background black -alpha shape \) \
  +swap -composite \
  -fill black -draw 'line 14,17 14,18' -draw 'line 19,17 19,19' -draw 'line 24,17 24,20' \
  -strip PNG32:cursors/cursor_170.png
