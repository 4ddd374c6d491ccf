#!/usr/bin/env bash
# Draws the built-in form's pictures with ImageMagick: the banner left of the wizard pages
# (122 x 260 JPEG: a blue gradient, a quill and the word "Quillset" running upwards) and the
# 32 x 32 application icon. The results are kept in the repository and embedded into the
# built-in form at build time; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
convert -size 260x122 gradient:'#0b2545-#3e7cb1' -rotate 90 \
  -fill '#eef4ed' -draw 'polygon 61,22 78,40 66,92 61,100 56,92 44,40' \
  -fill '#0b2545' -draw 'line 61,34 61,96' \
  \( -size 150x40 xc:none -font "$font" -pointsize 28 -fill '#eef4ed' -gravity center -annotate 0 'Quillset' \
     -rotate -90 \) -gravity south -geometry +0+14 -composite \
  -strip -interlace none -quality 88 -sampling-factor 2x2 banner.jpg
convert -size 32x32 xc:none \
  -fill '#0b2545' -draw 'roundrectangle 1,1 30,30 6,6' \
  -fill '#eef4ed' -draw 'polygon 22,4 26,8 12,24 8,26 10,22' \
  -fill '#3e7cb1' -draw 'line 6,28 26,28' \
  -define icon:auto-resize=32 -strip icon.ico
