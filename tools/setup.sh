#!/usr/bin/env bash
# Installs every Debian package the editor, its tests, benchmarks and fuzzers
# need, when any is missing. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config make
  qt6-base-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libfreetype-dev fonts-dejavu-core libpixman-1-dev
  fonts-lobster fonts-dancingscript fonts-cherrybomb fonts-leckerli-one
  fonts-comic-neue fonts-bebas-neue fonts-league-spartan fonts-yanone-kaffeesatz
  fonts-blankenburg fonts-cantarell fonts-liberation2
  xvfb xauth imagemagick poppler-utils
  cups cups-bsd cups-client printer-driver-cups-pdf
  tinyproxy python3
  clang-14 libclang-rt-14-dev
  gsettings-desktop-schemas libglib2.0-bin
  xdg-utils
  liblcms2-dev libexif-dev libpng-dev libwebp-dev
  webp libimage-exiftool-perl icc-profiles-free
  libharfbuzz-dev libharfbuzz-bin
  libfribidi-dev
  libfontconfig-dev
  fonts-noto-core fonts-noto-cjk
  fonts-symbola
  libtiff-dev libheif-dev
  libseccomp-dev
  libcsv-dev parallel
  netpbm libtiff-tools libheif-examples
  dpkg-dev file lintian appstream desktop-file-utils shared-mime-info scdoc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
  sudo=()
else
  sudo=(sudo)
fi
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
