#!/usr/bin/env bash
# Draws the application icon files from the taco picture resources/images/taco.svg:
# PNGs of 16, 32 and 128 pixels for Linux desktops, and a Windows .ico with
# four images, 16x16 and 32x32 pixels each in 16 and in 256 colours. The
# pictures are rendered by Qt's SVG renderer, the one the program draws them
# with; ImageMagick reduces the colours and packs the .ico.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
picture="$here/resources/images/taco.svg"
icons="$here/resources/icons"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# shellcheck disable=SC2046 # pkg-config prints several words on purpose
g++ -std=c++20 -fPIC -O1 "$here/scripts/render-svg.cpp" -o "$work/render-svg" \
    $(pkg-config --cflags --libs Qt6Svg Qt6Gui)

mkdir -p "$icons"
for size in 16 32 128; do
    QT_QPA_PLATFORM=offscreen "$work/render-svg" "$picture" "$size" "$work/taco-$size.png"
    convert "$work/taco-$size.png" -strip "$icons/savrona-$size.png"
done

# An icon image's transparency is a one-bit mask: cut the alpha at half first,
# so that the colour reduction does not mix the background into the edges.
for size in 16 32; do
    convert "$work/taco-$size.png" -channel A -threshold 50% +channel "$work/mask-$size.png"
done
convert \( "$work/mask-16.png" -colors 16 \) \( "$work/mask-32.png" -colors 16 \) \
    \( "$work/mask-16.png" -colors 256 \) \( "$work/mask-32.png" -colors 256 \) \
    "$icons/savrona.ico"
identify "$icons/savrona.ico"
