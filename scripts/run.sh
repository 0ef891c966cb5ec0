#!/usr/bin/env bash
# Installs what is missing, builds tarlen (Release) and starts it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARLEN_BUILD_TESTS=OFF \
    -DTARLEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
exec "$build/ftpclient/tarlen" "$@"
