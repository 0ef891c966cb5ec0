#!/usr/bin/env bash
# Installs what is missing, builds the test configuration (AddressSanitizer +
# UndefinedBehaviorSanitizer) and runs the whole suite headless with CTest.
# Then the protocol suites (CTest label "protocol") run once more in a Release
# build: faster code meets the servers with other timing, which is where
# races on a connection show. So do the tests labelled "release", which check
# what only a build without sanitizers does. Arguments go to both runs of CTest.
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
(cd "$build" && ctest --output-on-failure -j"$(nproc)" "$@")

release="$root/build/release-test"
cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release -DTARLEN_SANITIZE=OFF \
    -DTARLEN_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$release" -j"$(nproc)" --target protocol_tests
(cd "$release" && ctest --output-on-failure -j"$(nproc)" -L 'protocol|release' "$@")
