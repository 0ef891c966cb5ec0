#!/usr/bin/env bash
# Builds the Vantel property page grabber and takes pictures of the property
# page (filled from a control placed at design time) and of the about box,
# under Xvfb (or the offscreen platform when xvfb-run is missing).
#   scripts/vantel-propertypage-screenshot.sh [output-dir]
#   default output: build/screenshots/vantel-propertypage.png and
#                   build/screenshots/vantel-aboutbox.png
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
outdir=${1:-$root/build/screenshots}
build="$root/build/screenshot-vantel"
mkdir -p "$outdir"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARLEN_BUILD_TESTS=OFF \
      -DTARLEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target vantel-pagegrab -j"${JOBS:-$(nproc)}" >/dev/null
grab="$build/listcontrol/vantel-pagegrab"
page="$outdir/vantel-propertypage.png"
about="$outdir/vantel-aboutbox.png"
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1024x768x24" "$grab" "$page" "$about"
else
    QT_QPA_PLATFORM=offscreen "$grab" "$page" "$about"
fi
echo "Property page picture written to $page"
echo "About box picture written to $about"
