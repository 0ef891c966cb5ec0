#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG (needs rsvg-convert,
# Debian: librsvg2-bin). Run it after changing the SVG and commit the PNGs.
set -euo pipefail
icons=$(cd "$(dirname "${BASH_SOURCE[0]}")/../packaging/icons" && pwd)
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "$icons/$size"
    rsvg-convert -w "$size" -h "$size" "$icons/org.tarlen.Tarlen.svg" \
        -o "$icons/$size/org.tarlen.Tarlen.png"
done
