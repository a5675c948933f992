#!/usr/bin/env bash
# Renders the icon's PNG sizes from its SVG (needs rsvg-convert, from librsvg2-bin). The PNGs are
# kept in the tree, so that building needs no SVG renderer; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "${size}x${size}.png" org.vorlix.Vorlix.svg
done
