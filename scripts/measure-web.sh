#!/usr/bin/env bash
# measure-web.sh [OUT] [RUNS] [IDLE_SECONDS]
#
# Figures of the browser build in OUT (default build-web/out, made by
# scripts/build-web.sh): the page's download (engine .wasm, its .js loader
# and the game's .data, each raw and gzipped as a web server sends it), the
# time from the page's start to the first frame in headless Chromium (RUNS
# runs, default 5, each with an empty cache; the median), and the CPU time
# that Chromium's processes, and the renderer among them, spend while the
# game waits on its first page for IDLE_SECONDS (default 30), with how often
# the engine's wait for input ended meanwhile (web/page.js counts). The page is
# served on the loopback address; puppeteer-core comes from build-web/node
# as for scripts/test-web.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ORBA_WEB_BUILD_DIR:-$root/build-web}")
out=$(realpath -m "${1:-$build/out}")
runs=${2:-5}
idle=${3:-30}

[[ -f $out/index.html ]] || { echo "measure-web: no page in $out (run scripts/build-web.sh)" >&2; exit 1; }
source "$root/scripts/web-page.sh"
chromium_ready "$build"

kb() { echo "$(((${1} + 512) / 1024)) KB"; }
total=0 total_gz=0
for file in advengine.wasm advengine.js advengine.data; do
    raw=$(stat -c %s "$out/$file")
    gz=$(gzip -c "$out/$file" | wc -c)
    total=$((total + raw)) total_gz=$((total_gz + gz))
    printf '%-16s %10s raw %10s gzipped\n' "$file" "$(kb "$raw")" "$(kb "$gz")"
done
printf '%-16s %10s raw %10s gzipped\n' download "$(kb "$total")" "$(kb "$total_gz")"

serve_page "$out" "$build/measure-http.log"
ORBA_WEB_NODE=$build/node node "$root/scripts/measure-web.mjs" "http://127.0.0.1:$port/index.html" "$runs" "$idle"
