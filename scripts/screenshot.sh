#!/usr/bin/env bash
# Starts the sample FTP server, drives the real tarlen window through the
# connect dialog to it (with a temporary configuration directory) and saves
# pictures of the window, the dialog, a download in progress, Compare's marks
# and the Synchronise dialog's preview, headless.
#   scripts/screenshot.sh [OUTPUT_DIR]      (default: docs/screenshots, which the
#                                            README shows: run it to keep them current)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/screenshots}")
bash "$root/scripts/setup.sh" --test
build="$root/build/test"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTARLEN_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target window_screenshot >/dev/null

work=$(mktemp -d)
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

# A local directory with several kinds of file and sizes.
local_dir="$work/local files"
mkdir -p "$local_dir/projects"
printf 'Shopping list\n' > "$local_dir/notes.txt"
printf '<html></html>\n' > "$local_dir/index.html"
head -c 48213 /dev/urandom > "$local_dir/holiday.jpg"
head -c 1234567 /dev/urandom > "$local_dir/backup.zip"
head -c 90210 /dev/urandom > "$local_dir/setup.exe"
printf 'int main() {}\n' > "$local_dir/main.cpp"
printf 'report\n' > "$local_dir/Report 2026.doc"
touch -d '2026-03-01 10:00' "$local_dir/notes.txt"
touch -d '2025-12-31 23:59' "$local_dir/backup.zip"

port=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
# A big file, served slowly enough to catch its download half-way.
mkdir -p "$work/server"
head -c 24000000 /dev/zero > "$work/server/big-download.iso"
head -c 9000000 /dev/zero > "$work/server/video.mp4"
printf 'Read me first\n' > "$work/server/readme.txt"
bash "$root/scripts/sample-server.sh" --port "$port" --root "$work/server" --rate 4000000 \
    > "$work/server.log" 2>&1 &
server=$!
for _ in $(seq 50); do
    grep -q Serving "$work/server.log" 2>/dev/null && /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1',$port),1)" 2>/dev/null && break
    sleep 0.2
done

# One run of the window, with a configuration and data of its own: its pictures
# main-window, connect-dialog and transfer go to $out/NAME$suffix.png.
#   picture SUFFIX [VARIABLE=VALUE ...] -- [window_screenshot options]
picture() {
    local suffix=$1 run="$work/run$1"
    shift
    local env=()
    while [ "$1" != -- ]; do env+=("$1"); shift; done
    shift
    mkdir -p "$run/config" "$run/data" "$run/out"
    env XDG_CONFIG_HOME="$run/config" XDG_DATA_HOME="$run/data" QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        "${env[@]}" "$build/tests/tools/window_screenshot" --server "127.0.0.1:$port" \
        --user tarlen --password tarlen --local "$local_dir" --out "$run/out" "$@"
    for name in main-window connect-dialog transfer compare compare-hidden synchronise; do
        if [ -f "$run/out/$name.png" ]; then cp "$run/out/$name.png" "$out/$name$suffix.png"; fi
    done
}

mkdir -p "$out"
picture "" -- --download big-download.iso --download video.mp4 --download readme.txt
# Every caption shows whole at 144 dpi and in fonts a size larger, too.
picture -144dpi QT_FONT_DPI=144 --
picture -larger-font -- --larger-font
# Compare's marks, and the preview of bringing the server in line with the
# local folder.
picture "" -- --synchronise
echo "Pictures in $out: main-window.png (both panes, connected to the sample server)," \
    "connect-dialog.png, transfer.png (a download in progress), compare.png (Compare's marks)," \
    "compare-hidden.png (the same, with what is alike hidden)," \
    "synchronise.png (the Synchronise dialog's preview); main-window and" \
    "connect-dialog also at 144 dpi (-144dpi) and in fonts a size larger (-larger-font)"
