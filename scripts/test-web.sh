#!/usr/bin/env bash
# test-web.sh [OUT] [REFERENCE_DIR]
#
# The browser build's play-through: serves OUT (default build-web/out, made
# by scripts/build-web.sh) on the loopback address, opens it in headless
# Chromium driven by puppeteer-core (installed from npm into
# build-web/node, not part of the project) and plays the sample game to its
# end with the desktop play-through's clicks (sample/playthrough.txt,
# tests/web/playthrough.mjs), then compares each scene's canvas with the
# desktop's screenshot in REFERENCE_DIR (default
# build/e2e-playthrough/playthrough) outside the animated areas. The
# canvases are kept in build-web/playthrough.
#
# Exit status: 0 when the game reached its end and every scene matched, 1 otherwise.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ORBA_WEB_BUILD_DIR:-$root/build-web}")
out=$(realpath -m "${1:-$build/out}")
reference=$(realpath -m "${2:-$root/build/e2e-playthrough/playthrough}")
shots=$build/playthrough
modules=$build/node/node_modules

say() { echo "test-web: $*"; }

[[ -f $out/index.html ]] || { echo "test-web: no page in $out (run scripts/build-web.sh)" >&2; exit 1; }
bash "$root/scripts/deps.sh" chromium python3
if [[ ! -d $modules/puppeteer-core ]]; then
    mkdir -p "$build/node"
    (cd "$build/node" && npm install --no-audit --no-fund --silent puppeteer-core@21)
fi

# A free port of the loopback address, then the server on it.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$out" "$port" >"$build/http.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null && break
    sleep 0.1
done

rm -rf "$shots"
mkdir -p "$shots"
ORBA_WEB_NODE=$build/node node "$root/tests/web/playthrough.mjs" "http://127.0.0.1:$port/index.html" \
    "$root/sample/playthrough.txt" "$shots"
if [[ -d $reference ]]; then
    python3 "$root/scripts/shotcompare.py" "$reference" "$shots"
else
    say "no desktop screenshots in $reference: the canvases were not compared"
fi
say "passed"
