#!/usr/bin/env bash
# Draws the pictures of the update dialog and the about box with ImageMagick:
#   dialogs/update-1.png, dialogs/update-2.png  the two frames of the update
#       animation, 125 x 117: a globe inside two turning arrows, the arrows a
#       quarter turn apart from one frame to the other;
#   dialogs/about.png  the about box's background, 466 x 405: the program's
#       name over a dusk sky, and a light field below for the texts.
# Run from anywhere; it writes next to itself. The fonts are Debian's
# fonts-lobster and fonts-cantarell.
set -euo pipefail
# Debian's ImageMagick; another "convert" may stand earlier on PATH.
convert=/usr/bin/convert
here=$(cd "$(dirname "$0")" && pwd)
out="$here/dialogs"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

lobster=$(fc-match -f '%{file}' 'Lobster Two:bold')
cantarell=$(fc-match -f '%{file}' 'Cantarell')

# --- The update animation ----------------------------------------------
# The globe: a shaded sphere with meridians and parallels.
"$convert" -size 125x117 radial-gradient:'#d8efff'-'#2a62a8' -crop 125x117+0+0 +repage \
  "$work/shade.png"
"$convert" -size 125x117 xc:none -fill white -draw "circle 62,58 62,25" "$work/disc.png"
"$convert" "$work/shade.png" "$work/disc.png" -alpha off -compose copy_opacity -composite \
  "$work/globe.png"
"$convert" "$work/globe.png" -fill none -stroke '#e9f5ff' -strokewidth 1.6 \
  -draw "ellipse 62,58 14,33 0,360" -draw "ellipse 62,58 28,33 0,360" \
  -draw "line 62,25 62,91" -draw "line 29,58 95,58" \
  -draw "line 35,41 89,41" -draw "line 35,75 89,75" \
  -stroke '#1d4f8f' -strokewidth 2 -draw "circle 62,58 62,25" "$work/globe-lined.png"

# Two arrows on a circle of radius 49 around the globe, each running over a
# third of the circle, with a head at its end. Angles in degrees, clockwise
# from the right (y grows downwards).
point() {  # angle radius -> "x,y"
  awk -v a="$1" -v r="$2" 'BEGIN { t = a * 3.14159265 / 180;
    printf "%.1f,%.1f", 62 + r * cos(t), 58 + r * sin(t) }'
}
arcLines() {  # from, to, radius -> "-draw line" arguments, one per 5 degrees
  # (this ImageMagick closes arcs and polylines when it strokes them, so the
  # arc is drawn as separate short lines with round ends)
  awk -v a="$1" -v b="$2" -v r="$3" 'BEGIN { for (d = a; d < b; d += 5) {
    t0 = d * 3.14159265 / 180; t1 = (d + 5) * 3.14159265 / 180;
    printf "stroke-linecap round line %.1f,%.1f %.1f,%.1f\n", 62 + r * cos(t0), 58 + r * sin(t0),
      62 + r * cos(t1), 58 + r * sin(t1) } }'
}
arrows() {  # start angle, colour, path
  local arcs=() heads=()
  for s in "$1" "$(($1 + 180))"; do
    local e=$((s + 125))
    while read -r line; do arcs+=(-draw "$line"); done < <(arcLines "$s" "$e" 49)
    heads+=(-draw "polygon $(point $((e + 18)) 49) $(point "$e" 38) $(point "$e" 60)")
  done
  "$convert" -size 125x117 xc:none -stroke "$2" -strokewidth 6 \
    -fill none "${arcs[@]}" \
    -strokewidth 1 -fill "$2" "${heads[@]}" "$3"
}
arrows 200 '#f08a24' "$work/arrows-1.png"
arrows 290 '#f08a24' "$work/arrows-2.png"
for frame in 1 2; do
  "$convert" -size 125x117 xc:white "$work/globe-lined.png" -composite \
    "$work/arrows-$frame.png" -composite -strip "$out/update-$frame.png"
done

# --- The about box -----------------------------------------------------
"$convert" -size 466x150 gradient:'#151c45'-'#6c4f92' "$work/sky.png"
"$convert" -size 466x150 xc:none -fill '#ffd9a0' -draw "circle 400,150 400,60" -blur 0x30 \
  -channel A -evaluate multiply 0.5 +channel "$work/glow.png"
"$convert" -size 466x150 xc:none -font "$lobster" -pointsize 58 -fill '#ffe7b8' \
  -gravity center -annotate +0-12 'Glyphon Editor' -blur 0x6 "$work/title-glow.png"
"$convert" -size 466x150 xc:none -font "$lobster" -pointsize 58 -fill white \
  -gravity center -annotate +0-12 'Glyphon Editor' \
  -font "$cantarell" -pointsize 15 -fill '#f6e3ff' -annotate +0+40 'decorative text for your pictures' \
  "$work/title.png"
"$convert" "$work/sky.png" "$work/glow.png" -compose screen -composite \
  "$work/title-glow.png" -compose over -composite "$work/title.png" -composite "$work/head.png"
# The light field, with a large faint letter at its left for decoration.
"$convert" -size 466x255 gradient:'#fbf7f0'-'#efe6f5' \
  -font "$lobster" -pointsize 230 -fill '#e3d6ee' -annotate +18+220 'G' \
  -fill '#6c4f92' -draw "rectangle 0,0 466,2" "$work/field.png"
"$convert" "$work/head.png" "$work/field.png" -append -strip "$out/about.png"
