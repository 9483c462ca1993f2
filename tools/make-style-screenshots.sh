#!/usr/bin/env bash
# Makes the pictures of docs/styles/ from a build tree: every style font's
# rendering of "Glyphon 2026" as the editor composites it, the toolbar
# pictures of each kind, and a screenshot of the editor started under Xvfb
# with the sample kinds registered in a catalogue of its own.
#
#   tools/make-style-screenshots.sh [BUILD_DIR]     (default: build)
#
# Needs xvfb-run, xauth and ImageMagick (tools/setup.sh installs them).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
out=$repo/docs/styles
convert=/usr/bin/convert
gph=$build/tools/glyphon-gph
styles=$build/styles
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# One colour per style font, as in the toolbar pictures.
colours=(d63056 2470d6 e88c14 1a965a 8c3cc4)

for kind in 10001 10002 10003; do
  for font in 0 1 2 3 4; do
    "$gph" render "$styles" "libglyphon-style-$kind.so" "$font" "Glyphon 2026" \
      "$work/r.bmp" "${colours[$font]}"
    "$convert" "$work/r.bmp" "$out/$kind-$font.png"
  done
  # The kind's five toolbar pictures side by side, at twice their size.
  for n in 1 2 3 4 5; do
    "$gph" unpack "$styles/$kind/desc$n.gph" "$work/desc$n.bmp"
  done
  "$convert" "$work"/desc{1,2,3,4,5}.bmp -bordercolor white -border 2 +append \
    -scale 200% "$out/toolbar-$kind.png"
done

# The editor itself, with the sample kinds in a private catalogue.
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
"$build/tools/glyphon-styles" register "$styles" >/dev/null
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  "$1/glyphon-editor" & editor=$!
  sleep 4
  import -window root "$2/screen.png"
  kill "$editor"
' _ "$build" "$work"
# The window is centred on the screen at its designed size, 1018 x 753 inside.
"$convert" "$work/screen.png" -trim +repage "$out/editor.png"
echo "written to $out"
