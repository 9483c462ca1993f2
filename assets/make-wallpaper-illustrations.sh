#!/usr/bin/env bash
# Draws the three illustrations of the wallpaper options dialog with
# ImageMagick: a monitor whose screen shows one sample picture centred on a
# dark blue desktop, tiled, and stretched to the whole screen. Writes
# wallpaper/center.png, tile.png (one row taller) and stretch.png next to
# itself; the result is the same on every run.
set -euo pipefail
# Debian's ImageMagick; another "convert" may stand earlier on PATH.
convert=/usr/bin/convert
here=$(cd "$(dirname "$0")" && pwd)
out="$here/wallpaper"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# The screen of the monitor and the sample picture: a sky with a sun over a
# green hill, drawn at the size it is shown.
screen_w=144 screen_h=98
sample() {  # width height path
  local w=$1 h=$2
  "$convert" -size "${w}x${h}" gradient:'#3f8fd8'-'#cde9ff' \
    -fill '#ffd23f' -draw "circle $((w * 70 / 100)),$((h * 32 / 100)) $((w * 70 / 100 + w / 9)),$((h * 32 / 100))" \
    -fill '#3f9a3a' -draw "ellipse $((w * 35 / 100)),$h $((w * 75 / 100)),$((h * 42 / 100)) 180,360" \
    -fill '#2c7a2c' -draw "ellipse $((w * 95 / 100)),$h $((w * 45 / 100)),$((h * 30 / 100)) 180,360" \
    -fill none -stroke '#1b2a3a' -strokewidth 1 -draw "rectangle 0,0 $((w - 1)),$((h - 1))" \
    "$3"
}
sample 46 30 "$work/small.png"
sample "$screen_w" "$screen_h" "$work/large.png"

# The three screens.
"$convert" -size "${screen_w}x${screen_h}" xc:'#102a66' "$work/small.png" -gravity center \
  -composite "$work/screen-center.png"
"$convert" -size "${screen_w}x${screen_h}" tile:"$work/small.png" "$work/screen-tile.png"
cp "$work/large.png" "$work/screen-stretch.png"

monitor() {  # screen, height, path
  local h=$2
  "$convert" -size "178x$h" xc:none \
    -fill '#c9ccd1' -draw "roundrectangle 56,$((h - 20)) 122,$((h - 12)) 4,4" \
    -fill '#aeb2b8' -draw "polygon 78,124 100,124 104,$((h - 19)) 74,$((h - 19))" \
    -fill '#34373c' -draw "roundrectangle 9,6 168,125 7,7" \
    -fill '#4a4e55' -draw "roundrectangle 11,8 166,123 6,6" \
    -fill '#7cd67a' -draw "circle 89,119 90,119" \
    "$1" -geometry +17+14 -composite \
    -fill none -stroke '#1c1e22' -strokewidth 1 -draw "rectangle 16,13 161,112" \
    -depth 8 -strip -define png:exclude-chunks=date,time "$3"
}
monitor "$work/screen-center.png" 160 "$out/center.png"
monitor "$work/screen-tile.png" 161 "$out/tile.png"
monitor "$work/screen-stretch.png" 160 "$out/stretch.png"
