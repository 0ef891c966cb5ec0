#!/usr/bin/env bash
# Builds the Vantel demo and takes a picture of a filled file list under Xvfb
# (or the offscreen platform when xvfb-run is missing).
#   scripts/vantel-screenshot.sh [output.png]   default: build/screenshots/vantel.png
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$root/build/screenshots/vantel.png}
build="$root/build/screenshot"
mkdir -p "$(dirname "$out")"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARLEN_BUILD_TESTS=OFF \
      -DTARLEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target vantel-demo -j"$(nproc)" >/dev/null
demo="$build/listcontrol/vantel-demo"
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1024x768x24" "$demo" "$out"
else
    QT_QPA_PLATFORM=offscreen "$demo" "$out"
fi
echo "Screenshot written to $out"
