#!/usr/bin/env bash
# Starts a local FTP server to try tarlen with: 127.0.0.1 port 2121,
# user "tarlen", password "tarlen" (anonymous login reads only), serving a few
# sample files and directories. Runs in the foreground; Ctrl-C stops it.
#   scripts/sample-server.sh [--port N] [--root DIR] [--rate BYTES_PER_SECOND]
set -euo pipefail
root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
port=2121
rate=0
serve="${XDG_DATA_HOME:-$HOME/.local/share}/tarlen-sample"
while [[ $# -gt 0 ]]; do
    case "$1" in
        --port) port=$2; shift 2 ;;
        --root) serve=$2; shift 2 ;;
        --rate) rate=$2; shift 2 ;;
        *) echo "usage: $0 [--port N] [--root DIR] [--rate BYTES_PER_SECOND]" >&2; exit 2 ;;
    esac
done

dpkg-query -W -f='${Status}' python3-pyftpdlib 2>/dev/null | grep -q "ok installed" ||
    bash "$root_dir/scripts/setup.sh"

if [[ ! -e "$serve/readme.txt" ]]; then
    mkdir -p "$serve"/{docs,pictures,software,"old stuff"}
    printf 'Welcome to the tarlen sample server.\r\nDownload, upload, rename and delete freely.\r\n' > "$serve/readme.txt"
    printf '<html><body><h1>tarlen</h1></body></html>\n' > "$serve/index.html"
    printf 'body { color: black; }\n' > "$serve/docs/style.css"
    printf 'Notes about the sample server.\n' > "$serve/docs/notes.txt"
    printf 'Release notes\n' > "$serve/docs/release notes.txt"
    head -c 150000 /dev/urandom > "$serve/pictures/holiday.jpg"
    head -c 42000 /dev/urandom > "$serve/pictures/logo.gif"
    head -c 2500000 /dev/urandom > "$serve/software/tool-1.0.zip"
    head -c 800000 /dev/urandom > "$serve/software/setup.exe"
    printf 'old\n' > "$serve/old stuff/archive.txt"
fi

echo "Serving $serve on ftp://127.0.0.1:$port (user tarlen, password tarlen; Ctrl-C stops)"
exec /usr/bin/python3 "$root_dir/scripts/pyftpd-server.py" --root "$serve" --port "$port" \
    --user tarlen --password tarlen --anonymous --rate "$rate"
