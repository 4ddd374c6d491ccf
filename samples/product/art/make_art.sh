#!/usr/bin/env bash
# Draws the sample product's banner (122 x 260 JPEG, left of the wizard pages) and its 32 x 32
# application icon with ImageMagick. Shapes only, no fonts, so the pictures do not depend on the
# fonts of the machine. The results are kept in the repository; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 122x260 gradient:'#1d3557-#457b9d' \
  -fill '#f1faee' -draw 'roundrectangle 31,40 91,140 8,8' \
  -fill '#1d3557' -draw 'rectangle 39,52 83,110' \
  -fill '#a8dadc' -draw 'rectangle 43,56 79,106' \
  -fill '#e63946' -draw 'circle 61,124 61,130' \
  -fill '#f1faee' -draw 'polygon 61,170 86,200 72,200 72,230 50,230 50,200 36,200' \
  -strip -interlace none -quality 88 -sampling-factor 2x2 banner.jpg
convert -size 32x32 xc:none \
  -fill '#1d3557' -draw 'roundrectangle 7,1 24,30 4,4' \
  -fill '#a8dadc' -draw 'rectangle 10,5 21,20' \
  -fill '#e63946' -draw 'circle 16,25 16,27' \
  -define icon:auto-resize=32 -strip hello.ico
