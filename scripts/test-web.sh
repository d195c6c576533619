#!/usr/bin/env bash
# test-web.sh [OUT] [REFERENCE_DIR]
#
# The browser build's play-throughs: serves OUT (default build-web/out, made
# by scripts/build-web.sh) on the loopback address, opens it in headless
# Chromium driven by puppeteer-core (installed from npm into
# build-web/node, not part of the project) and
# - plays the sample game to its end with the desktop play-through's clicks
#   (sample/playthrough.txt, tests/web/playthrough.mjs), then compares each
#   scene's canvas with the desktop's screenshot in REFERENCE_DIR (default
#   build/e2e-playthrough/playthrough) outside the animated areas;
# - saves on Tom's page, quits, reloads the page and loads
#   (tests/e2e/saveload.txt, as the desktop's e2e_saveload.sh), compares the
#   loaded page with the saved one and checks the page's keys.
# Both check that sound was mixed. The canvases are kept in
# build-web/playthrough and build-web/saveload.
#
# Exit status: 0 when every check held, 1 otherwise.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ORBA_WEB_BUILD_DIR:-$root/build-web}")
out=$(realpath -m "${1:-$build/out}")
reference=$(realpath -m "${2:-$root/build/e2e-playthrough/playthrough}")
shots=$build/playthrough

say() { echo "test-web: $*"; }

[[ -f $out/index.html ]] || { echo "test-web: no page in $out (run scripts/build-web.sh)" >&2; exit 1; }
source "$root/scripts/web-page.sh"
chromium_ready "$build"

serve_page "$out" "$build/http.log"

play() {
    rm -rf "$2"
    mkdir -p "$2"
    local started=$SECONDS
    ORBA_WEB_NODE=$build/node node "$root/tests/web/playthrough.mjs" "http://127.0.0.1:$port/index.html" "$1" "$2"
    say "$(basename "$2") took $((SECONDS - started)) s"
}

play "$root/sample/playthrough.txt" "$shots"
if [[ -d $reference ]]; then
    python3 "$root/scripts/shotcompare.py" "$reference" "$shots"
else
    say "no desktop screenshots in $reference: the canvases were not compared"
fi

# Tom's page, then the desktop's save, quit and load steps, then the page's keys.
saveload=$build/saveload
steps=$build/saveload-steps.txt
awk -v extra="$root/tests/e2e/saveload.txt" '
    $1 == "choice" { exit }
    { print }
    $1 == "tom" { while ((getline line < extra) > 0) if (line !~ /^(#|$)/) print line }
' "$root/sample/playthrough.txt" >"$steps"
echo "keys keys" >>"$steps"
play "$steps" "$saveload"
python3 "$root/scripts/shotcompare.py" "$saveload"/[0-9][0-9]-saved.bmp "$saveload"/[0-9][0-9]-loaded.bmp
say "passed"
