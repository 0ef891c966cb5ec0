#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs the whole suite headless with CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" --test
build="$root/build/test"
# Installed below /usr like the package, so that the install and package tests
# see the layout that ships.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTARLEN_SANITIZE=ON \
    -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
