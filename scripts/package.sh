#!/usr/bin/env bash
# Installs what is missing, builds tarlen (Release, installed below /usr) and
# makes the Debian package with CPack.
#   scripts/package.sh [build-dir]    default build/release, shared with run.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" --package
build=$(realpath -m "${1:-$root/build/release}")
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARLEN_BUILD_TESTS=OFF \
    -DTARLEN_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
cpack -G DEB -B "$build/package"
ls "$build"/package/tarlen_*.deb
