#!/usr/bin/env bash
# Draws the default backdrop, pic/default.jpg: a dusk sky over three ranges
# of hills, 1024 x 768, with ImageMagick. Run from anywhere; it writes next
# to itself. The result is the same on every run (fixed noise seed).
set -euo pipefail
# Debian's ImageMagick; another "convert" may stand earlier on PATH.
convert=/usr/bin/convert
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

hills() {  # colour, blur, path
  "$convert" -size 1024x768 xc:none -fill "$1" -draw "path '$3 L 1024,768 L 0,768 Z'" \
    -blur "0x$2" "$work/$4.png"
}

"$convert" -size 1024x380 gradient:'#151c45'-'#6c4f92' \
  -size 1024x388 gradient:'#6c4f92'-'#f6ae74' -append "$work/sky.png"
"$convert" -size 1024x768 xc:none -fill '#ffd9a0' -draw "circle 640,505 640,365" -blur 0x60 \
  -channel A -evaluate multiply 0.55 +channel "$work/glow.png"
"$convert" -size 1024x768 xc:none -fill '#fff3d0' -draw "circle 640,505 640,455" -blur 0x1.2 \
  "$work/sun.png"
hills '#8a5f8e' 2 'M 0,540 C 120,500 220,520 330,492 S 520,470 640,520 S 860,470 1024,500' far
hills '#4a3766' 1 'M 0,600 C 140,560 260,585 380,566 S 600,600 720,572 S 920,540 1024,575' mid
hills '#231b3b' 0 'M 0,670 C 180,640 300,690 470,660 S 760,630 880,660 S 990,672 1024,666' near

# A little grain keeps the gradients from banding.
"$convert" "$work/sky.png" "$work/glow.png" -compose screen -composite \
  "$work/sun.png" -compose over -composite "$work/far.png" -composite \
  "$work/mid.png" -composite "$work/near.png" -composite \
  -seed 1 -attenuate 0.25 +noise Uniform \
  -quality 90 -sampling-factor 2x2 -strip "$here/pic/default.jpg"
